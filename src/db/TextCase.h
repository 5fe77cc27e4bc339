#pragma once
// Letter case as Jet compares text: every letter, accented and non-Latin ones included, equals its
// other case. SQLite's NOCASE, which the files declare on their text columns so that any SQLite tool
// can open them, folds the ASCII letters only. The import's own comparisons fold the rest through a
// collation that each connection of the layer registers and that only statements name (never a
// schema): a text that holds a letter beyond ASCII is compared through it, any other text through
// NOCASE and its indexes, which then give the same answer.
//
// The fold is Unicode's simple case folding, one character for one, except that no character outside
// ASCII folds into ASCII (the Kelvin sign stays apart from K, the long s from s): two texts that fold
// alike then have NOCASE-equal ASCII characters in the same places.
#include <QString>
#include <QStringView>

struct sqlite3;

namespace dao {

// The name of the collation that compares folded texts.
inline constexpr char kFoldCollation[] = "JETCASE";

// The text with every letter folded: two texts are equal ignoring letter case when their folds are.
QString FoldCase(QStringView text);

// Does the text hold a character beyond ASCII that has another case (so that NOCASE cannot compare it)?
bool NeedsFold(QStringView text);

// The text with every letter in upper case, one character for one (ß stays ß, as Basic's UCase has it).
QString UpperCase(QStringView text);

// Registers the collation on a connection; false when SQLite refuses it.
bool RegisterFoldCollation(sqlite3* db);

}  // namespace dao
