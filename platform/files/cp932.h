#pragma once

#include <QByteArrayView>
#include <QString>

namespace tl {

// Text in code page 932 (Shift-JIS as Windows writes it). Every byte below 0x80 reads as itself:
// 0x5C is the backslash and 0x7E the tilde, control bytes stay what they are. 0xA1..0xDF are the
// half-width katakana. A lead byte and a trail byte make one character; a pair the code page does
// not define, a lead byte without its trail byte, and the bytes that are no character (0x80, 0xA0,
// 0xFD..0xFF) each read as U+FFFD, so that nothing vanishes from the text unseen.
QString decodeCp932(QByteArrayView bytes);

bool isCp932LeadByte(unsigned char b);
bool isCp932TrailByte(unsigned char b);

// The character of a lead and trail byte pair; U+FFFD where the code page defines none.
char16_t cp932PairChar(unsigned char lead, unsigned char trail);

// The bytes the code page writes the character as: a single byte (below 0x100), or a lead and a
// trail byte as lead << 8 | trail. Where the code page has two pairs for one character, the one
// Windows writes. -1 for a character it cannot write.
int cp932Code(char16_t c);

} // namespace tl
