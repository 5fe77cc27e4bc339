#pragma once
// The headings of a table or tree that are wider than their columns take a second line instead of
// being cut short ("New databa…"): on a small screen the columns give way, the headings stay whole.
class QHeaderView;

// Lets the headings wrap at their blanks, aligned as before (a heading aligned by its item keeps its
// own alignment).
void WrapHeadings(QHeaderView* header);
// Two lines of room when a heading is wider than its column, one otherwise; called whenever the
// columns change width.
void FitHeadingHeight(QHeaderView* header);
