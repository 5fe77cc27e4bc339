#pragma once
// Puts a window in the middle of the screen it is on: left = (screen width - form width) / 2,
// top = (screen height - form height) / 2.
class QWidget;
void CentreOnScreen(QWidget* window);
