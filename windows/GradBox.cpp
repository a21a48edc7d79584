// The gradient algorithm: GradStep + 1 steps between the two colours, band size rounded to even.
#include "windows/GradBox.h"

#include <cmath>

namespace orvane {

void TGradBox::SetColor(int index, uint32_t color) {
  if (index == 1) startColor_ = color;
  if (index == 2) endColor_ = color;
  Changed();
}

void TGradBox::SetGradStep(uint8_t step) {
  gradStep_ = step;
  Changed();
}

void TGradBox::SetDirection(TGradDirection direction) {
  if (direction == direction_) return;
  direction_ = direction;
  Changed();
}

void TGradBox::Changed() {
  if (OnRepaint) OnRepaint(*this);
  if (OnChange) OnChange(*this);
}

std::vector<GradBand> TGradBox::Bands() const {
  // Rounding as the original runtime does it: to the nearest integer, ties to even.
  auto round = [](double v) { return static_cast<int>(std::nearbyint(v)); };
  auto component = [](uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); };
  const int n = gradStep_ + 1;
  const bool vertical = direction_ == TGradDirection::gdVertical;
  const int extent = vertical ? height : width;
  int band = round(static_cast<double>(extent) / n);
  if (band == 0) band = 1;

  std::vector<GradBand> bands;
  bands.reserve(n + 2);
  int pos = 0;
  uint32_t color = startColor_;
  for (int i = 0; i <= n; ++i) {
    color = 0;
    for (int shift : {0, 8, 16}) {
      int start = component(startColor_, shift), end = component(endColor_, shift);
      int value = start + round(static_cast<double>(end - start) / n * i);
      color |= static_cast<uint32_t>(value & 0xFF) << shift;
    }
    if (vertical)
      bands.push_back({0, pos, width, pos + band, color});
    else
      bands.push_back({pos, 0, pos + band, height, color});
    pos += band;
  }
  if (pos + band < extent) {
    if (vertical)
      bands.push_back({0, pos, width, height, color});
    else
      bands.push_back({pos, 0, width, height, color});
  }
  return bands;
}

}  // namespace orvane
