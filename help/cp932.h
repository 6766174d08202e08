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

} // namespace tl
