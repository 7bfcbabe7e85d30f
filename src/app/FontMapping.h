#pragma once
// Fonts between the option set's stored form and Qt: the window's own face, and the caption font the font
// picker edits.
#include <QFont>

#include "options/Colour.h"
#include "options/TextFont.h"

namespace app {

// The window's font: "ＭＳ Ｐゴシック" at 9 points, 12 pixels high, drawn with an installed Japanese face.
QFont WindowFont();

// The stored font as the font dialog opens on it (the stored face mapped to an installed one).
QFont ToQtFont(const options::TextFont& font);
// The dialog's answer as a stored font. The stored face name is kept when the person left the face it maps to,
// so a settings file written here still names the Windows face. Pitch: fixed or variable as the face is;
// character set: 128 for a face with Japanese glyphs, 0 otherwise.
options::TextFont FromQtFont(const QFont& chosen, options::Colour colour, const options::TextFont& previous);

} // namespace app
