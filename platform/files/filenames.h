#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tl {

// A file name on Linux is bytes. The program carries it as the text it shows: UTF-8 read as such;
// other bytes read as code page 932 (Shift-JIS, what old Windows archives and some cards unpack to),
// where each byte that reads as no character is kept as a lone surrogate, U+DC80 to U+DCFF, so that
// the name gives back its exact bytes. A pair that the code page also writes otherwise is kept
// that way too, so that every name read as code page 932 writes back to its own bytes.

// The name the bytes read as.
QString decodeFileName(QByteArrayView bytes);

// The bytes with every byte above 0x7F kept as a lone surrogate: the name of a file whose code page
// 932 reading is the name of another file beside it.
QString escapedFileName(QByteArrayView bytes);

// The bytes a name stands for: a name with kept bytes in code page 932, any other in UTF-8. A name
// read as code page 932 without kept bytes may stand for those bytes instead: see cp932FileName.
QByteArray encodeFileName(QStringView name);

// The code page 932 bytes a name without kept bytes may stand for, when they differ from its UTF-8
// and are not UTF-8 themselves (those would read as another name); empty when it may not.
QByteArray cp932FileName(QStringView name);

// Each name of a path read on its own: '/' is never part of a code page 932 pair.
QString decodeFilePath(QByteArrayView bytes);
QByteArray encodeFilePath(QStringView path);

// The name as the lists show it: each kept byte as U+FFFD.
QString shownFileName(QString name);

bool isValidUtf8(QByteArrayView bytes);

} // namespace tl
