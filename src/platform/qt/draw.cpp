#include "platform/qt/draw.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/qt/qt_internal.h"
#include "platform/qt/text.h"

namespace platform {

namespace {

QRect surface_rect(const Surface* surface) { return surface->image.rect(); }

QFont font_or_default(const Font* font) { return font != nullptr ? font->font : QFont(); }

// Byte offsets of a text mapped to positions in its decoded string: the decoded string is
// built piecewise so that each byte knows the first UTF-16 unit of its character.
QString decode_with_offsets(const char* text, int length, std::vector<int>* unit_of_byte)
{
    std::string utf8 = TextToUtf8(text, length);
    QString decoded = QString::fromStdString(utf8);
    unit_of_byte->assign(static_cast<std::size_t>(length) + 1, decoded.size());
    bool same_bytes = utf8.size() == static_cast<std::size_t>(length) &&
        std::memcmp(utf8.data(), text, static_cast<std::size_t>(length)) == 0;
    int unit = 0;
    int i = 0;
    while (i < length) {
        auto c = static_cast<unsigned char>(text[i]);
        int bytes = 1;
        if (same_bytes) {
            bytes = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        } else if (c >= 0x80 && TextCodePage() != kWesternCodePage && i + 1 < length) {
            bytes = 2;  // lead byte of a double-byte code page
        }
        bytes = std::min(bytes, length - i);
        for (int k = 0; k < bytes; ++k)
            (*unit_of_byte)[static_cast<std::size_t>(i + k)] = std::min(unit, static_cast<int>(decoded.size()));
        unit += (same_bytes && bytes == 4) ? 2 : 1;
        i += bytes;
    }
    (*unit_of_byte)[static_cast<std::size_t>(length)] = decoded.size();
    return decoded;
}

int text_length(const char* text, int length)
{
    if (text == nullptr)
        return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

}  // namespace

QRegion SurfaceClip(const Surface* surface)
{
    QRegion clip(surface_rect(surface));
    if (!surface->clips.empty())
        clip &= surface->clips.back();
    if (surface->painting)
        clip &= surface->paint_clip;
    return clip;
}

void BeginSurfacePainter(QPainter& painter, Surface* surface)
{
    painter.begin(&surface->image);
    painter.setClipRegion(SurfaceClip(surface));
}

namespace {

// Draws through a painter and shows the changed part of a window surface.
template <typename Draw> void paint_on(Surface* surface, const QRect& bounds, Draw draw)
{
    if (surface == nullptr || surface->image.isNull())
        return;
    QRegion clip = SurfaceClip(surface);
    QRect touched = clip.boundingRect().intersected(bounds.adjusted(-1, -1, 1, 1));
    if (touched.isEmpty())
        return;
    QPainter painter;
    BeginSurfacePainter(painter, surface);
    draw(painter);
    painter.end();
    SurfaceChanged(surface, touched);
}

}  // namespace

// ---- Offscreen surfaces

Surface* SurfaceNew(int width, int height)
{
    if (width < 1 || height < 1 || width > 32767 || height > 32767)
        return nullptr;
    auto surface = std::make_unique<Surface>();
    surface->image = QImage(width, height, QImage::Format_RGB32);
    if (surface->image.isNull())
        return nullptr;
    surface->image.fill(Qt::white);
    return surface.release();  // the caller frees it with SurfaceFree
}

void SurfaceFree(Surface* surface)
{
    // A window's own surface belongs to the window.
    if (surface != nullptr && surface->owner == nullptr)
        delete surface;
}

Size SurfaceSize(const Surface* surface)
{
    if (surface == nullptr)
        return Size{};
    return Size{surface->image.width(), surface->image.height()};
}

Surface* SurfaceFromImageData(const std::uint8_t* data, std::size_t size)
{
    QImage image;
    if (data == nullptr || size == 0 || size > 64u * 1024 * 1024 || !image.loadFromData(data, static_cast<int>(size)))
        return nullptr;
    auto surface = std::make_unique<Surface>();
    surface->image = image.convertToFormat(QImage::Format_RGB32);
    return surface.release();  // the caller frees it with SurfaceFree
}

bool SurfaceSavePng(const Surface* surface, const char* path)
{
    if (surface == nullptr || path == nullptr)
        return false;
    return surface->image.save(QString::fromUtf8(path), "PNG");
}

Colour SurfacePixel(const Surface* surface, int x, int y)
{
    if (surface == nullptr || !surface->image.valid(x, y))
        return 0;
    return surface->image.pixel(x, y) & 0xFFFFFF;
}

// ---- Clipping

void DrawPushClip(Surface* surface, const Rect& clip)
{
    if (surface == nullptr)
        return;
    QRect r = ToQRect(clip);
    if (!surface->clips.empty())
        r = r.intersected(surface->clips.back());
    surface->clips.push_back(r);
}

void DrawPopClip(Surface* surface)
{
    if (surface != nullptr && !surface->clips.empty())
        surface->clips.pop_back();
}

// ---- Shapes

void DrawFillRect(Surface* surface, const Rect& r, Colour colour)
{
    QRect q = ToQRect(r);
    paint_on(surface, q, [&](QPainter& p) { p.fillRect(q, ToQColor(colour)); });
}

void DrawFrameRect(Surface* surface, const Rect& r, Colour colour, int thickness)
{
    QRect q = ToQRect(r);
    if (q.isEmpty() || thickness < 1)
        return;
    paint_on(surface, q, [&](QPainter& p) {
        QColor c = ToQColor(colour);
        int t = std::min({thickness, (q.width() + 1) / 2, (q.height() + 1) / 2});
        p.fillRect(QRect(q.left(), q.top(), q.width(), t), c);
        p.fillRect(QRect(q.left(), q.bottom() - t + 1, q.width(), t), c);
        p.fillRect(QRect(q.left(), q.top(), t, q.height()), c);
        p.fillRect(QRect(q.right() - t + 1, q.top(), t, q.height()), c);
    });
}

void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour)
{
    QRect bounds = QRect(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)));
    paint_on(surface, bounds, [&](QPainter& p) {
        p.setPen(QPen(ToQColor(colour), 0));
        p.drawLine(x0, y0, x1, y1);
    });
}

void DrawInvertRect(Surface* surface, const Rect& r)
{
    QRect q = ToQRect(r);
    paint_on(surface, q, [&](QPainter& p) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(q, Qt::white);
    });
}

void DrawFocusRect(Surface* surface, const Rect& r)
{
    QRect q = ToQRect(r);
    paint_on(surface, q, [&](QPainter& p) {
        p.setPen(QPen(Qt::black, 0, Qt::DotLine));
        p.drawRect(q.adjusted(0, 0, -1, -1));
    });
}

// ---- Text

FontMetrics FontMetricsOf(const Font* font)
{
    QFontMetrics m(font_or_default(font));
    FontMetrics out;
    out.ascent = m.ascent();
    out.descent = m.descent();
    out.height = m.height();
    out.line_spacing = m.lineSpacing();
    out.average_width = m.averageCharWidth();
    return out;
}

Size MeasureText(const Font* font, const char* text, int length)
{
    QFontMetrics m(font_or_default(font));
    QString s = ToQString(text != nullptr ? text : "", text_length(text, length));
    return Size{m.horizontalAdvance(s), m.height()};
}

void DrawText(Surface* surface, int x, int y, const char* text, const Font* font, Colour colour, int length)
{
    QString s = ToQString(text != nullptr ? text : "", text_length(text, length));
    QFont f = font_or_default(font);
    QFontMetrics m(f);
    QRect bounds(x, y, m.horizontalAdvance(s) + 2, m.height());
    paint_on(surface, bounds, [&](QPainter& p) {
        p.setFont(f);
        p.setPen(ToQColor(colour));
        p.drawText(x, y + m.ascent(), s);
    });
}

namespace {

QString block_text(const char* text)
{
    QString s = ToQString(text != nullptr ? text : "");
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

}  // namespace

Size MeasureTextBlock(const Font* font, const char* text, int width)
{
    QFontMetrics m(font_or_default(font));
    QRect r = m.boundingRect(QRect(0, 0, std::max(width, 1), 100000), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                             block_text(text));
    return Size{r.width(), r.height()};
}

void DrawTextBlock(Surface* surface, const Rect& r, const char* text, const Font* font, Colour colour, Align align)
{
    QRect q = ToQRect(r);
    int flags = Qt::TextWordWrap | Qt::AlignTop;
    flags |= align == Align::centre ? Qt::AlignHCenter : align == Align::right ? Qt::AlignRight : Qt::AlignLeft;
    paint_on(surface, q, [&](QPainter& p) {
        p.setClipRect(q, Qt::IntersectClip);
        p.setFont(font_or_default(font));
        p.setPen(ToQColor(colour));
        p.drawText(q, flags, block_text(text));
    });
}

int TextCaretOffsets(const Font* font, const char* text, int length, int* out, int room)
{
    length = text_length(text, length);
    std::vector<int> unit_of_byte;
    QString s = decode_with_offsets(text != nullptr ? text : "", length, &unit_of_byte);
    QTextLayout layout(s, font_or_default(font));
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    int n = std::min(length + 1, room);
    for (int i = 0; i < n; ++i)
        out[i] = line.isValid() ? static_cast<int>(line.cursorToX(unit_of_byte[static_cast<std::size_t>(i)]) + 0.5) : 0;
    return n;
}

// ---- Pixels

void DrawBottomUpRows(Surface* surface, int first_line, int rows, const std::uint8_t* bits, int width, int stride)
{
    if (surface == nullptr || bits == nullptr || rows <= 0 || width <= 0)
        return;
    QImage& image = surface->image;
    int w = std::min(width, image.width());
    int h = image.height();
    QRect touched;
    for (int row = 0; row < rows; ++row) {
        // Row 0 of the buffer goes to line first_line counted from the bottom.
        int y = h - 1 - (first_line + row);
        if (y < 0 || y >= h)
            continue;
        const std::uint8_t* source = bits + static_cast<std::ptrdiff_t>(row) * stride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
        touched |= QRect(0, y, w, 1);
    }
    SurfaceChanged(surface, touched);
}

void DrawCopy(Surface* destination, int x, int y, const Surface* source, const Rect& from)
{
    if (destination == nullptr || source == nullptr)
        return;
    QRect src = ToQRect(from).intersected(source->image.rect());
    if (src.isEmpty())
        return;
    // A copy of the source first, so that overlapping copies within a surface work.
    QImage piece = source->image.copy(src);
    QRect to(x + (src.left() - from.left), y + (src.top() - from.top), src.width(), src.height());
    paint_on(destination, to, [&](QPainter& p) { p.drawImage(to.topLeft(), piece); });
}

void DrawCopyKeyed(Surface* destination, int x, int y, const Surface* source, const Rect& from, Colour key)
{
    if (destination == nullptr || source == nullptr)
        return;
    QRect src = ToQRect(from).intersected(source->image.rect());
    if (src.isEmpty())
        return;
    QImage piece = source->image.copy(src).convertToFormat(QImage::Format_ARGB32);
    QRgb k = key & 0xFFFFFF;
    for (int py = 0; py < piece.height(); ++py) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(py));
        for (int px = 0; px < piece.width(); ++px)
            if ((line[px] & 0xFFFFFF) == k)
                line[px] = 0;
    }
    QRect to(x + (src.left() - from.left), y + (src.top() - from.top), src.width(), src.height());
    paint_on(destination, to, [&](QPainter& p) { p.drawImage(to.topLeft(), piece); });
}

}  // namespace platform
