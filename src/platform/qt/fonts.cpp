#include "platform/qt/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <string>

#include "platform/qt/qt_internal.h"

namespace platform {

namespace {

QFontDatabase::WritingSystem writing_system_of(int cs)
{
    switch (cs) {
    case charset::shift_jis:
        return QFontDatabase::Japanese;
    case charset::hangul:
        return QFontDatabase::Korean;
    case charset::gb2312:
        return QFontDatabase::SimplifiedChinese;
    case charset::big5:
        return QFontDatabase::TraditionalChinese;
    default:
        return QFontDatabase::Latin;
    }
}

bool installed(const QString& family) { return !family.isEmpty() && QFontDatabase::hasFamily(family); }

// The first installed family of a list.
QString first_installed(std::initializer_list<const char*> families)
{
    for (const char* f : families)
        if (installed(QString::fromLatin1(f)))
            return QString::fromLatin1(f);
    return {};
}

QString by_style_hint(QFont::StyleHint hint, const char* generic)
{
    QFont f(QString::fromLatin1(generic));
    f.setStyleHint(hint);
    return QFontInfo(f).family();
}

// An installed font for an East Asian script: the Noto CJK families first, then any family
// that declares the writing system.
QString cjk_family(int cs)
{
    QString found;
    switch (cs) {
    case charset::shift_jis:
        found = first_installed({"Noto Sans CJK JP", "Noto Serif CJK JP", "IPAGothic", "Droid Sans Fallback"});
        break;
    case charset::hangul:
        found = first_installed({"Noto Sans CJK KR", "Noto Serif CJK KR", "NanumGothic", "Droid Sans Fallback"});
        break;
    case charset::gb2312:
        found = first_installed({"Noto Sans CJK SC", "Noto Serif CJK SC", "WenQuanYi Zen Hei", "Droid Sans Fallback"});
        break;
    case charset::big5:
        found = first_installed({"Noto Sans CJK TC", "Noto Serif CJK TC", "AR PL UMing TW", "Droid Sans Fallback"});
        break;
    default:
        break;
    }
    if (!found.isEmpty())
        return found;
    QStringList families = QFontDatabase::families(writing_system_of(cs));
    return families.isEmpty() ? QString() : families.first();
}

int charset_of_cjk_name(const QString& name)
{
    QString n = name.toLower();
    if (n.startsWith("ms mincho") || n.startsWith("ms gothic") || n.startsWith("ms pmincho") ||
        n.startsWith("ms pgothic") || n.startsWith("ms ui gothic"))
        return charset::shift_jis;
    if (n.startsWith("gulim") || n.startsWith("batang") || n.startsWith("dotum") || n.startsWith("gungsuh"))
        return charset::hangul;
    if (n.startsWith("mingli") || n.startsWith("pmingli") || n.startsWith("dfkai"))
        return charset::big5;
    if (n == "kai" || n.startsWith("kaiti") || n.startsWith("simsun") || n.startsWith("simhei") ||
        n.startsWith("nsimsun"))
        return charset::gb2312;
    return -1;
}

// The installed family a requested one stands for; empty when none.
QString resolve(const char* requested, int cs)
{
    QString name = QString::fromLatin1(requested != nullptr ? requested : "");
    QString lower = name.toLower();
    QString family;
    int cjk = charset_of_cjk_name(name);
    if (cjk >= 0) {
        family = cjk_family(cjk);
    } else if (lower == "ms sans serif" || lower == "ms shell dlg" || lower == "ms shell dlg 2" || lower == "system" ||
               lower == "tahoma" || lower == "arial" || lower == "helvetica") {
        family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        if (!installed(family))
            family = first_installed({"DejaVu Sans", "Liberation Sans", "Nimbus Sans", "Noto Sans"});
        if (!installed(family))
            family = by_style_hint(QFont::SansSerif, "sans-serif");
    } else if (lower == "times new roman" || lower == "times" || lower == "ms serif") {
        family = first_installed({"DejaVu Serif", "Liberation Serif", "Nimbus Roman", "Noto Serif", "C059"});
        if (!installed(family))
            family = by_style_hint(QFont::Serif, "serif");
    } else if (lower == "courier new" || lower == "courier" || lower == "fixedsys") {
        family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        if (!installed(family))
            family = first_installed({"DejaVu Sans Mono", "Liberation Mono", "Nimbus Mono PS", "Noto Sans Mono"});
    } else if (installed(name)) {
        family = name;
    }
    if (!installed(family))
        return {};
    // A Western family asked for an East Asian script shows it through the script's font.
    if (cs != charset::ansi && !QFontDatabase::writingSystems(family).contains(writing_system_of(cs)))
        family = cjk_family(cs);
    return installed(family) ? family : QString();
}

}  // namespace

Font* FontCreate(const FontRequest& request)
{
    QString family = resolve(request.family, request.charset);
    if (family.isEmpty() || request.size < 1 || request.size > 1000)
        return nullptr;
    QFont font(family);
    font.setBold(request.bold);
    font.setItalic(request.italic);
    font.setFixedPitch(request.fixed_pitch);
    font.setStyleStrategy(QFont::PreferAntialias);
    // The size is the character cell (ascent + descent); scale the pixel size to it.
    font.setPixelSize(request.size);
    int cell = QFontMetrics(font).height();
    if (cell > 0 && cell != request.size) {
        int scaled = std::max(1, request.size * request.size / cell);
        font.setPixelSize(scaled);
    }
    auto* f = new Font;
    f->font = font;
    f->size = request.size;
    return f;
}

void FontFree(Font* font) { delete font; }

bool FontFamilyResolves(const char* family, int cs) { return !resolve(family, cs).isEmpty(); }

const char* FontResolvedFamily(const char* family, int cs)
{
    std::string& last = platform_state().resolved_family;
    last = resolve(family, cs).toStdString();
    return last.c_str();
}

int FontSize(const Font* font) { return font != nullptr ? font->size : 0; }

}  // namespace platform
