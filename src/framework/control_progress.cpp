#include "framework/control_progress.h"

#include <algorithm>
#include <memory>

namespace {

struct BarData : ViewRecord {
    std::uint32_t total = 0;
    std::uint32_t value = 0;
    std::uint32_t frame = 0;
};

BarData* bar(View* view) { return ViewRecordOf<BarData>(view); }

// Qt's bar takes int ranges; large totals are scaled down together with the value.
void scaled(const BarData* data, int* maximum, int* value)
{
    std::uint64_t total = data->total;
    std::uint64_t done = data->value;
    while (total > 0x7FFFFFFF) {
        total >>= 1;
        done >>= 1;
    }
    *maximum = static_cast<int>(total);
    *value = static_cast<int>(done);
}

void bar_draw(View* view, const Rect& /*area*/)
{
    BarData* data = bar(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    if (data->total != 0) {
        int maximum = 0;
        int value = 0;
        scaled(data, &maximum, &value);
        platform::DrawProgressBar(surface, r, 0, maximum, value);
        return;
    }
    // Busy: a block a third of the width sweeping across, one step per frame.
    platform::DrawTextFieldFrame(surface, r, platform::control_state::enabled);
    const Rect inner = ControlInset(r, 2, 2);
    const int inner_w = platform::RectWidth(inner);
    const int block = std::max(inner_w / 3, 8);
    const int period = inner_w + block;
    const int left = inner.left - block +
        static_cast<int>((data->frame * 6u + static_cast<std::uint32_t>(block)) %
                         static_cast<std::uint32_t>(std::max(period, 1)));
    const Rect sweep =
        platform::RectIntersect(platform::MakeRect(left, inner.top, block, platform::RectHeight(inner)), inner);
    if (!platform::RectIsEmpty(sweep))
        platform::DrawFillRect(surface, sweep, ControlColour(platform::SystemColour::highlight));
}

const ViewClass kBarClass = [] {
    ViewClass c;
    c.name = "progress bar";
    c.draw = bar_draw;
    return c;
}();

}  // namespace

View* ProgressBarNew(View* parent, std::uint32_t total, int width, int height)
{
    auto data = std::make_unique<BarData>();
    data->total = total;
    View* view = ViewNewChild(&kBarClass, parent, 0, 0, std::move(data));
    ViewDefaultSetSize(view, width, height);
    ViewShow(view, 0);
    return view;
}

void ProgressBarSetTotal(View* view, std::uint32_t total)
{
    bar(view)->total = total;
    bar(view)->value = std::min(bar(view)->value, total);
    ViewInvalidate(view);
}

void ProgressBarSetValue(View* view, std::uint32_t value)
{
    BarData* data = bar(view);
    value = std::min(value, data->total);
    if (value == data->value)
        return;
    data->value = value;
    ViewInvalidate(view);
}

void ProgressBarAdvance(View* view, std::uint32_t units)
{
    BarData* data = bar(view);
    const std::uint32_t room = data->total - data->value;
    ProgressBarSetValue(view, data->value + std::min(units, room));
}

std::uint32_t ProgressBarValue(View* view) { return bar(view)->value; }

std::uint32_t ProgressBarTotal(View* view) { return bar(view)->total; }

void ProgressBarStep(View* view)
{
    ++bar(view)->frame;
    ViewInvalidate(view);
}
