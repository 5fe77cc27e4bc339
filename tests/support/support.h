#pragma once
// Shared test helpers live beside this header.
