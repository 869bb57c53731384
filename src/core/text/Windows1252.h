#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Rate lists and reports are 8-bit Windows-1252 text. Both directions are lossless for
// every byte: the five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 controls of the same value, as Windows itself maps them.
namespace orvex::cp1252 {

QString decode(const QByteArray& bytes);
QByteArray encode(QStringView text);
// encode(text) appended to `out`: a report of many lines encodes each straight into its buffer.
void appendEncoded(QByteArray& out, QStringView text);

// True when `c` can be written as one Windows-1252 byte that a user can read
// (not a control character and not one of the undefined bytes).
bool isPrintable(QChar c);

} // namespace orvex::cp1252
