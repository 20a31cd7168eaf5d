// A drawing surface with persistent state and GDI-like primitives: raster draw modes,
// cosmetic line styles, hatch brushes, the current position and fonts turned by an escapement.
// Everything is drawn without anti-aliasing and each primitive touches a pixel at most once, so
// that an exclusive-or figure drawn twice leaves the picture as it was.
//
// Coordinates are pixels; they are rounded to whole pixels (a half to the even neighbour) before
// drawing, as GDI hands them to the device. Colours are packed RGB: red + 256 * green
// + 65536 * blue (the top byte is ignored, so callers resolve system colours themselves).
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velmor::platform {

class InkChains;

// Draw modes (the binary raster operations 1 to 16; these three are the ones the program uses).
inline constexpr int16_t kNotCopyPen = 4, kXorPen = 7, kCopyPen = 13;

// Line styles; they apply to lines one pixel wide only, wider lines are solid. Style 5 draws
// no outline at all.
inline constexpr int16_t kSolid = 0, kDash = 1, kDot = 2, kDashDot = 3, kDashDotDot = 4;
inline constexpr int16_t kInvisiblePen = 5;

// Fill styles: solid, none, then hatches laid over the untouched background with an 8-pixel
// pitch anchored at the surface's origin.
inline constexpr int16_t kFillSolid = 0, kFillNone = 1, kFillHorizontal = 2, kFillVertical = 3;
inline constexpr int16_t kFillUpwardDiagonal = 4;    // rising from left to right: /
inline constexpr int16_t kFillDownwardDiagonal = 5;  // falling from left to right
inline constexpr int16_t kFillCross = 6, kFillDiagonalCross = 7;

// A font as the device creates it.
struct LogicalFont {
  std::string FaceName;
  int32_t Height = 0;      // > 0 cell height (ascent + descent), < 0 character height, 0 default
  int32_t Escapement = 0;  // tenths of a degree, counterclockwise on screen
  int32_t Weight = 0;      // 0 default, 400 normal, 700 bold
  bool Italic = false;
  bool operator==(const LogicalFont&) const = default;
};

struct CanvasPoint {
  float X = 0;
  float Y = 0;
};

class GdiCanvas {
 public:
  // The canvas draws on `surface` (which it does not own and may be null: drawing then does
  // nothing, measuring still works). A surface of another format than 32-bit RGB is converted.
  explicit GdiCanvas(QImage* surface = nullptr);
  ~GdiCanvas();
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  void Bind(QImage* surface) { surface_ = surface; }
  QImage* Surface() const { return surface_; }

  // Restricts drawing on `surface` to `rect` (a null rect lifts it). Each pixel inside comes out
  // as it would without the clip, so a surface painted a piece at a time is the same surface.
  // It applies only while the canvas is bound to that surface.
  void SetClip(const QImage* surface, const QRect& rect);
  // The clip as set: the surface it applies to (null for none) and its rectangle.
  const QImage* ClipSurface() const { return clipSurface_; }
  const QRect& Clip() const { return clip_; }
  // The pixels the canvas may write on its surface now: all of it, or its part in the clip.
  QRect DrawableRect() const;
  // Called before a primitive draws on `surface` with a rectangle that holds every pixel it
  // may write (within the surface), so that the owner can make that part ready first.
  using TouchHandler = std::function<void(const QRect&)>;
  void SetTouchHandler(const QImage* surface, TouchHandler handler);
  // The surface the touch handler is set for (null for none), and the handler handed out,
  // leaving none, so that a caller can put it back.
  const QImage* TouchSurface() const { return touchSurface_; }
  TouchHandler TakeTouchHandler() {
    touchSurface_ = nullptr;
    return std::exchange(onTouch_, {});
  }
  // Tells the touch handler of a write made beside the primitives; the rectangle is
  // inclusive, in surface pixels, and may reach past the surface.
  void Touch(int64_t left, int64_t top, int64_t right, int64_t bottom);
  // Takes over the pens, brush, mode, position and font of `other` (not its surface, clip or
  // touch handler), so that a second canvas draws as the first would.
  void CopyStateFrom(const GdiCanvas& other);
  // Whether this canvas has the state CopyStateFrom would take over from `other`, to the bit.
  bool SameStateAs(const GdiCanvas& other) const;

  // Drawing state.
  int16_t DrawMode() const { return drawMode_; }
  void SetDrawMode(int16_t mode) { drawMode_ = mode; }
  int16_t DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(int16_t style) { drawStyle_ = style; }
  int16_t DrawWidth() const { return drawWidth_; }
  void SetDrawWidth(int16_t width) { drawWidth_ = width; }
  uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(uint32_t rgb) { foreColor_ = rgb & 0xFFFFFFu; }
  uint32_t FillColor() const { return fillColor_; }
  void SetFillColor(uint32_t rgb) { fillColor_ = rgb & 0xFFFFFFu; }
  int16_t FillStyle() const { return fillStyle_; }
  void SetFillStyle(int16_t style) { fillStyle_ = style; }
  float CurrentX() const { return currentX_; }
  float CurrentY() const { return currentY_; }
  void SetCurrentX(float x) { currentX_ = x; }
  void SetCurrentY(float y) { currentY_ = y; }

  // Screen twips per pixel in x (15 on a 96-dpi screen): decides the point-to-pixel scale.
  void SetTwipsPerPixelX(double twips);
  double TwipsPerPixelX() const { return twipsPerPixel_; }

  // How many primitives so far could have drawn pixels that depend on what was under them
  // (a draw mode other than a plain pen, a highlighter's multiplying): while it stays the same,
  // everything drawn is the same whatever it was drawn over.
  uint64_t DestinationReads() const { return destinationReads_; }

  // While set, the surface is a layer of ink over a picture not yet known (0 where nothing has
  // been drawn, colours with a top byte of 0xFF): MultiplyPolygon darkens those colours as it
  // would and records its multiply in `chains` for the pixels not drawn on yet, which leaves
  // DestinationReads as it was.
  void SetInkChains(InkChains* chains) { inkChains_ = chains; }

  // The canvas font. Setting any of these selects it again in place of a font selected with
  // SelectFont. FontSize reads back the size actually chosen: the nearest whole number of pixels
  // of character height, in points (10 gives 9.75 on a 96-dpi screen).
  const std::string& FontName() const { return fontName_; }
  void SetFontName(const std::string& name);
  double FontSize() const;
  void SetFontSize(double points);
  bool FontBold() const { return fontBold_; }
  void SetFontBold(bool bold);
  bool FontItalic() const { return fontItalic_; }
  void SetFontItalic(bool italic);

  // The font a turned-text call creates for a size in points: cell height
  // (size * 20.25 rounded) / (twips per pixel rounded), the division truncating.
  int32_t CellHeightForPoints(int32_t points) const;
  // The canvas font is measured and printed exactly as that font, so that a box measured here
  // fits the text printed with it.
  LogicalFont CanvasFont() const;
  // Makes `font` the one Print and the measures use; returns the one used before.
  LogicalFont SelectFont(const LogicalFont& font);

  // Width and height in pixels of `text` (UTF-8) in the selected font, unturned.
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;

  // Prints `text` with the top-left corner of its cell at the current position, turned about
  // that corner by the font's escapement; only the glyphs are painted, in ForeColor (text
  // ignores the draw mode). Afterwards CurrentX is 0 and CurrentY one line lower.
  void Print(const std::string& text);

  // Line in ForeColor with DrawStyle and DrawWidth, both end points drawn; the current position
  // moves to the end.
  void Line(float x1, float y1, float x2, float y2);
  void LineTo(float x, float y) { Line(currentX_, currentY_, x, y); }
  // Connected lines through `points`; a pixel shared by two of them is drawn once.
  void Polyline(const std::vector<CanvasPoint>& points);
  // Box with opposite corners, both included: outline with the pen, inside with the brush.
  void Box(float x1, float y1, float x2, float y2);
  // Circle or ellipse: aspect is height over width; below 1 the
  // radius is the horizontal one and the height is squeezed, above 1 the radius is the vertical
  // one and the width is squeezed. Outline with the pen, inside with the brush. The current
  // position moves to the centre.
  void Circle(float cx, float cy, float radius, float aspect = 1.0f);
  // Paints with the brush the pixels enclosed by the outline that Line would draw through the
  // points (closed back to the first), leaving the outline's own pixels alone: the fill of an
  // outlined shape, whatever lies under it or beyond the edge of the surface.
  void FillPolygon(const std::vector<CanvasPoint>& points);
  // Darkens as a highlighter does: each pixel whose centre (x + 0.5, y + 0.5) lies inside the
  // polygon (even-odd rule) becomes pixel * rgb / 255, channel by channel, rounded. Each pixel
  // is multiplied once, however the outline runs; the draw mode and the pens play no part.
  void MultiplyPolygon(const std::vector<CanvasPoint>& points, uint32_t rgb);

 private:
  struct Fonts;
  struct Scratch;
  bool Ready();
  void InvalidateSelection();
  void PolylineOf(const CanvasPoint* points, size_t count);
  const LogicalFont& Selected() const;

  QImage* surface_ = nullptr;
  const QImage* clipSurface_ = nullptr;
  QRect clip_;
  const QImage* touchSurface_ = nullptr;
  TouchHandler onTouch_;
  int16_t drawMode_ = kCopyPen;
  int16_t drawStyle_ = kSolid;
  int16_t drawWidth_ = 1;
  uint32_t foreColor_ = 0;
  uint32_t fillColor_ = 0;
  int16_t fillStyle_ = kFillNone;
  float currentX_ = 0;
  float currentY_ = 0;
  double twipsPerPixel_ = 15;
  uint64_t destinationReads_ = 0;
  InkChains* inkChains_ = nullptr;
  std::string fontName_;
  double fontSize_ = 9;  // as asked; FontSize() gives the size chosen
  bool fontBold_ = false;
  bool fontItalic_ = false;
  // The font Print uses; after a change to the canvas font it is made again when next needed.
  mutable LogicalFont selected_;
  mutable bool selectionStale_ = true;
  std::unique_ptr<Fonts> fonts_;
  std::unique_ptr<Scratch> scratch_;
};

}  // namespace velmor::platform
