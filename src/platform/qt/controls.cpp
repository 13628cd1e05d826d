// The native look of controls: each call fills a style option from the control's state and
// lets the current Qt style draw it on the surface.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QSlider>
#include <QStyleOption>

#include <algorithm>

#include "platform/qt/draw.h"
#include "platform/qt/qt_internal.h"

namespace platform {

namespace {

QStyle* style() { return QApplication::style(); }

QFont font_of(const Font* font) { return font != nullptr ? font->font : QApplication::font(); }

QStyle::State state_of(std::uint32_t s)
{
    QStyle::State st = QStyle::State_None;
    if (s & control_state::enabled)
        st |= QStyle::State_Enabled | QStyle::State_Active;
    st |= (s & control_state::pressed) ? QStyle::State_Sunken : QStyle::State_Raised;
    if (s & control_state::focused)
        st |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    if (s & control_state::mixed)
        st |= QStyle::State_NoChange;
    else
        st |= (s & control_state::checked) ? QStyle::State_On : QStyle::State_Off;
    if (s & control_state::hovered)
        st |= QStyle::State_MouseOver;
    return st;
}

void init_option(QStyleOption& option, const Rect& r, std::uint32_t state, const Font* font)
{
    option.rect = ToQRect(r);
    option.state = state_of(state);
    option.palette = QApplication::palette();
    if (!(state & control_state::enabled))
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    option.fontMetrics = QFontMetrics(font_of(font));
    option.direction = Qt::LeftToRight;
}

template <typename Draw> void draw_styled(Surface* surface, const Rect& r, const Font* font, Draw draw)
{
    if (surface == nullptr || surface->image.isNull() || RectIsEmpty(r))
        return;
    QRect bounds = ToQRect(r);
    QRegion clip = SurfaceClip(surface) & bounds;
    if (clip.isEmpty())
        return;
    QPainter painter(&surface->image);
    painter.setClipRegion(clip);
    painter.setFont(font_of(font));
    painter.setRenderHint(QPainter::Antialiasing, true);
    draw(painter);
    painter.end();
    SurfaceChanged(surface, bounds);
}

void init_slider(QStyleOptionSlider& option, const Rect& r, int minimum, int maximum, int value, std::uint32_t state)
{
    init_option(option, r, state, nullptr);
    option.orientation = Qt::Horizontal;
    option.minimum = minimum;
    option.maximum = std::max(minimum, maximum);
    option.sliderPosition = std::clamp(value, option.minimum, option.maximum);
    option.sliderValue = option.sliderPosition;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    option.activeSubControls = (state & control_state::pressed) ? QStyle::SC_SliderHandle : QStyle::SC_None;
    option.upsideDown = false;
    option.tickPosition = QSlider::NoTicks;
}

}  // namespace

void DrawPushButton(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state)
{
    draw_styled(surface, r, font, [&](QPainter& p) {
        QStyleOptionButton option;
        init_option(option, r, state, font);
        option.text = ToQString(label != nullptr ? label : "");
        if (state & control_state::default_button)
            option.features |= QStyleOptionButton::DefaultButton;
        style()->drawControl(QStyle::CE_PushButton, &option, &p, nullptr);
    });
}

void DrawCheckBox(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state)
{
    draw_styled(surface, r, font, [&](QPainter& p) {
        QStyleOptionButton option;
        init_option(option, r, state, font);
        option.text = ToQString(label != nullptr ? label : "");
        style()->drawControl(QStyle::CE_CheckBox, &option, &p, nullptr);
    });
}

void DrawRadioButton(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state)
{
    draw_styled(surface, r, font, [&](QPainter& p) {
        QStyleOptionButton option;
        init_option(option, r, state, font);
        option.text = ToQString(label != nullptr ? label : "");
        style()->drawControl(QStyle::CE_RadioButton, &option, &p, nullptr);
    });
}

void DrawSlider(Surface* surface, const Rect& r, int minimum, int maximum, int value, std::uint32_t state)
{
    draw_styled(surface, r, nullptr, [&](QPainter& p) {
        p.fillRect(ToQRect(r), QApplication::palette().window());
        QStyleOptionSlider option;
        init_slider(option, r, minimum, maximum, value, state);
        style()->drawComplexControl(QStyle::CC_Slider, &option, &p, nullptr);
    });
}

int SliderValueAt(const Rect& r, int minimum, int maximum, int x)
{
    QStyleOptionSlider option;
    init_slider(option, r, minimum, maximum, minimum, control_state::enabled);
    QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, nullptr);
    QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, nullptr);
    int span = groove.width() - handle.width();
    int offset = x - groove.left() - handle.width() / 2;
    if (span <= 0)
        return minimum;
    return QStyle::sliderValueFromPosition(minimum, std::max(minimum, maximum), std::clamp(offset, 0, span), span);
}

void DrawTextFieldFrame(Surface* surface, const Rect& r, std::uint32_t state)
{
    draw_styled(surface, r, nullptr, [&](QPainter& p) {
        QStyleOptionFrame option;
        init_option(option, r, state, nullptr);
        option.state |= QStyle::State_Sunken;
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, nullptr);
        option.midLineWidth = 0;
        p.fillRect(ToQRect(r), option.palette.base());
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, nullptr);
    });
}

void DrawComboBox(Surface* surface, const Rect& r, const char* text, const Font* font, std::uint32_t state)
{
    draw_styled(surface, r, font, [&](QPainter& p) {
        QStyleOptionComboBox option;
        init_option(option, r, state, font);
        option.currentText = ToQString(text != nullptr ? text : "");
        option.editable = false;
        option.frame = true;
        option.subControls = QStyle::SC_All;
        style()->drawComplexControl(QStyle::CC_ComboBox, &option, &p, nullptr);
        style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &p, nullptr);
    });
}

void DrawProgressBar(Surface* surface, const Rect& r, int minimum, int maximum, int value)
{
    draw_styled(surface, r, nullptr, [&](QPainter& p) {
        QStyleOptionProgressBar option;
        init_option(option, r, control_state::enabled, nullptr);
        option.minimum = minimum;
        option.maximum = std::max(minimum, maximum);
        option.progress = std::clamp(value, option.minimum, option.maximum);
        option.textVisible = false;
        option.state |= QStyle::State_Horizontal;
        style()->drawControl(QStyle::CE_ProgressBar, &option, &p, nullptr);
    });
}

void DrawGroupFrame(Surface* surface, const Rect& r, const char* title, const Font* font)
{
    draw_styled(surface, r, font, [&](QPainter& p) {
        QStyleOptionGroupBox option;
        init_option(option, r, control_state::enabled, font);
        option.text = ToQString(title != nullptr ? title : "");
        option.subControls = QStyle::SC_GroupBoxFrame;
        if (!option.text.isEmpty())
            option.subControls |= QStyle::SC_GroupBoxLabel;
        option.textAlignment = Qt::AlignLeft;
        option.textColor = option.palette.color(QPalette::WindowText);
        option.lineWidth = 1;
        // Without a widget the style measures the title but does not place it: the title
        // goes at the top left, and the frame's top line runs through its middle.
        QRect bounds = ToQRect(r);
        QSize title_size =
            option.text.isEmpty() ? QSize(0, 0) : option.fontMetrics.size(Qt::TextSingleLine, option.text);
        QRect frame = bounds.adjusted(0, title_size.height() / 2, 0, 0);
        QRect label(bounds.left() + 8, bounds.top(), title_size.width(), title_size.height());
        QStyleOptionFrame frame_option;
        init_option(frame_option, FromQRect(frame), control_state::enabled, font);
        frame_option.features = QStyleOptionFrame::None;
        frame_option.lineWidth = 1;
        style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame_option, &p, nullptr);
        if (option.text.isEmpty())
            return;
        // The title sits on the frame's top line, on the window background.
        p.fillRect(label.adjusted(-2, 0, 2, 0), option.palette.window());
        p.setPen(option.textColor);
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, option.text);
    });
}

void DrawDisclosure(Surface* surface, const Rect& r, bool open, std::uint32_t state)
{
    draw_styled(surface, r, nullptr, [&](QPainter& p) {
        QStyleOption option;
        init_option(option, r, state, nullptr);
        option.palette.setColor(QPalette::ButtonText, option.palette.color(QPalette::WindowText));
        style()->drawPrimitive(open ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight, &option, &p,
                               nullptr);
    });
}

Size ControlNaturalSize(ControlKind kind, const char* label, const Font* font)
{
    QFontMetrics metrics(font_of(font));
    QString text = ToQString(label != nullptr ? label : "");
    QSize content(metrics.horizontalAdvance(QString(text).remove('&')), metrics.height());
    QSize out;
    switch (kind) {
    case ControlKind::push_button: {
        QStyleOptionButton option;
        option.fontMetrics = metrics;
        option.text = text;
        out = style()->sizeFromContents(QStyle::CT_PushButton, &option, content, nullptr);
        break;
    }
    case ControlKind::check_box:
    case ControlKind::radio_button: {
        QStyleOptionButton option;
        option.fontMetrics = metrics;
        option.text = text;
        bool check = kind == ControlKind::check_box;
        int indicator = style()->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth);
        int spacing =
            style()->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing);
        QSize inner(content.width() + indicator + spacing, std::max(content.height(), indicator));
        out = style()->sizeFromContents(check ? QStyle::CT_CheckBox : QStyle::CT_RadioButton, &option, inner, nullptr);
        break;
    }
    case ControlKind::combo_box: {
        QStyleOptionComboBox option;
        option.fontMetrics = metrics;
        option.currentText = text;
        out = style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, nullptr);
        break;
    }
    case ControlKind::text_field: {
        QStyleOptionFrame option;
        option.fontMetrics = metrics;
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        QSize inner(metrics.averageCharWidth() * 10, metrics.height() + 2);
        out = style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, nullptr);
        break;
    }
    case ControlKind::slider: {
        QStyleOptionSlider option;
        option.orientation = Qt::Horizontal;
        int thickness = style()->pixelMetric(QStyle::PM_SliderThickness, &option);
        out = QSize(100, thickness);
        break;
    }
    case ControlKind::progress_bar: {
        QStyleOptionProgressBar option;
        option.fontMetrics = metrics;
        out = style()->sizeFromContents(QStyle::CT_ProgressBar, &option, QSize(100, metrics.height()), nullptr);
        break;
    }
    }
    return Size{out.width(), out.height()};
}

Colour SystemColourOf(SystemColour which)
{
    QPalette palette = QApplication::instance() != nullptr ? QApplication::palette() : QPalette();
    QColor c;
    switch (which) {
    case SystemColour::window:
        c = palette.color(QPalette::Window);
        break;
    case SystemColour::window_text:
        c = palette.color(QPalette::WindowText);
        break;
    case SystemColour::base:
        c = palette.color(QPalette::Base);
        break;
    case SystemColour::text:
        c = palette.color(QPalette::Text);
        break;
    case SystemColour::button:
        c = palette.color(QPalette::Button);
        break;
    case SystemColour::button_text:
        c = palette.color(QPalette::ButtonText);
        break;
    case SystemColour::highlight:
        c = palette.color(QPalette::Highlight);
        break;
    case SystemColour::highlighted_text:
        c = palette.color(QPalette::HighlightedText);
        break;
    case SystemColour::workspace:
        c = palette.color(QPalette::Dark);
        break;
    case SystemColour::disabled_text:
        c = palette.color(QPalette::Disabled, QPalette::Text);
        break;
    case SystemColour::tool_tip:
        c = palette.color(QPalette::ToolTipBase);
        break;
    }
    return static_cast<Colour>(c.rgb() & 0xFFFFFF);
}

}  // namespace platform
