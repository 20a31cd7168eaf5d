// The GDI objects a metafile creates and selects, and the GDI constants both players share.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace velmor::platform::metafile {

namespace gdi {
inline constexpr int kTransparent = 1, kOpaque = 2;
inline constexpr int kAlternate = 1, kWinding = 2;
inline constexpr int kMmText = 1, kMmLoMetric = 2, kMmHiMetric = 3, kMmLoEnglish = 4,
                     kMmHiEnglish = 5, kMmTwips = 6, kMmIsotropic = 7, kMmAnisotropic = 8;
inline constexpr int kCounterClockwise = 1, kClockwise = 2;

inline constexpr uint32_t kPsSolid = 0, kPsDash = 1, kPsDot = 2, kPsDashDot = 3, kPsDashDotDot = 4,
                          kPsNull = 5, kPsInsideFrame = 6, kPsUserStyle = 7, kPsAlternate = 8,
                          kPsStyleMask = 0xF, kPsEndCapMask = 0xF00, kPsEndCapSquare = 0x100,
                          kPsEndCapFlat = 0x200, kPsJoinMask = 0xF000, kPsJoinBevel = 0x1000,
                          kPsJoinMiter = 0x2000, kPsGeometric = 0x10000;

inline constexpr uint32_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2, kBsPattern = 3,
                          kBsDibPattern = 5, kBsDibPatternPt = 6;
inline constexpr uint32_t kHsHorizontal = 0, kHsVertical = 1, kHsFDiagonal = 2, kHsBDiagonal = 3,
                          kHsCross = 4, kHsDiagCross = 5;

inline constexpr uint32_t kTaUpdateCp = 1, kTaRight = 2, kTaCenter = 6, kTaHorizontalMask = 6,
                          kTaBottom = 8, kTaBaseline = 24, kTaVerticalMask = 24;
inline constexpr uint32_t kEtoOpaque = 2, kEtoClipped = 4;

inline constexpr int kR2Black = 1, kR2NotCopyPen = 4, kR2Not = 6, kR2XorPen = 7, kR2MaskPen = 9,
                     kR2NotXorPen = 10, kR2Nop = 11, kR2MergePen = 15, kR2CopyPen = 13,
                     kR2White = 16;

inline constexpr uint32_t kSrcCopy = 0x00CC0020, kSrcPaint = 0x00EE0086, kSrcAnd = 0x008800C6,
                          kSrcInvert = 0x00660046, kSrcErase = 0x00440328, kNotSrcCopy = 0x00330008,
                          kNotSrcErase = 0x001100A6, kMergePaint = 0x00BB0226,
                          kPatCopy = 0x00F00021, kPatInvert = 0x005A0049, kDstInvert = 0x00550009,
                          kBlackness = 0x00000042, kWhiteness = 0x00FF0062;

inline constexpr int kRgnAnd = 1, kRgnOr = 2, kRgnXor = 3, kRgnDiff = 4, kRgnCopy = 5;
}  // namespace gdi

// COLORREF: red in the low byte.
inline QColor ColorFromRef(uint32_t ref) {
  return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

struct GdiPen {
  uint32_t style = gdi::kPsSolid;
  double width = 0;  // logical units; 0 is one pixel
  QColor color = Qt::black;
  std::vector<double> dashes;  // user style, logical units
};

struct GdiBrush {
  uint32_t style = gdi::kBsSolid;
  QColor color = Qt::white;
  uint32_t hatch = 0;
  QImage pattern;  // pattern brushes
};

struct GdiFont {
  int32_t height = 0;  // < 0 character height, > 0 cell height, 0 default
  int32_t width = 0;
  int32_t escapement = 0;  // tenths of a degree, counterclockwise
  int32_t weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charset = 1;  // DEFAULT_CHARSET
  uint8_t quality = 0;
  bool heightInPixels = false;  // stock fonts keep their size whatever the mapping
  QString face;
};

}  // namespace velmor::platform::metafile
