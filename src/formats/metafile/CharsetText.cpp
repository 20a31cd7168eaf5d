#include "formats/metafile/CharsetText.h"

#include <QByteArray>
#include <QStringDecoder>

namespace velmor::platform::metafile {

namespace {

const char* CodePageFor(uint8_t charset) {
  switch (charset) {
    case 0:
      return "windows-1252";  // ANSI
    case 2:
      return nullptr;  // SYMBOL: the bytes are glyph numbers
    case 77:
      return "macintosh";
    case 128:
      return "CP932";  // SHIFTJIS
    case 129:
      return "CP949";  // HANGUL
    case 134:
      return "GBK";  // GB2312
    case 136:
      return "Big5";  // CHINESEBIG5
    case 161:
      return "windows-1253";  // GREEK
    case 162:
      return "windows-1254";  // TURKISH
    case 163:
      return "windows-1258";  // VIETNAMESE
    case 177:
      return "windows-1255";  // HEBREW
    case 178:
      return "windows-1256";  // ARABIC
    case 186:
      return "windows-1257";  // BALTIC
    case 204:
      return "windows-1251";  // RUSSIAN
    case 222:
      return "windows-874";  // THAI
    case 238:
      return "windows-1250";  // EASTEUROPE
    case 255:
      return "IBM437";  // OEM
    default:
      return "CP932";  // DEFAULT and the rest: the program's own code page
  }
}

}  // namespace

QString DecodeCharsetText(std::span<const uint8_t> bytes, uint8_t charset) {
  QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<qsizetype>(bytes.size()));
  data.replace('\0', QByteArray());
  const char* codePage = CodePageFor(charset);
  if (codePage) {
    QStringDecoder decoder(codePage);
    if (decoder.isValid()) return decoder.decode(data);
  }
  return QString::fromLatin1(data);
}

}  // namespace velmor::platform::metafile
