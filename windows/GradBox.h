// TGradBox: a windowless control that fills its parent's area with a colour gradient in bands.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

enum class TGradDirection { gdHorizontal, gdVertical };

// One filled rectangle of the gradient: [x1, x2) x [y1, y2) in 0x00BBGGRR colour.
struct GradBand {
  int x1, y1, x2, y2;
  uint32_t color;
};

class TGradBox {
 public:
  int width = 128, height = 128;

  uint32_t StartColor() const { return startColor_; }
  uint32_t EndColor() const { return endColor_; }
  int GradStep() const { return gradStep_; }
  TGradDirection Direction() const { return direction_; }

  // Index 1 sets StartColor, 2 EndColor; both repaint and notify even when unchanged.
  void SetColor(int index, uint32_t color);
  void SetGradStep(uint8_t step);
  // Does nothing when the direction is unchanged.
  void SetDirection(TGradDirection direction);

  // Called after a property change (OnChange).
  std::function<void(TGradBox&)> OnChange;
  // Called to repaint (set by the backend that shows the control).
  std::function<void(TGradBox&)> OnRepaint;

  // The rectangles one paint fills, in order: GradStep + 2 bands and, when they do not reach
  // the far edge, one more rectangle in the end colour.
  std::vector<GradBand> Bands() const;

 private:
  void Changed();
  uint32_t startColor_ = 0xFFFFFF;
  uint32_t endColor_ = 0x000000;
  int gradStep_ = 128;
  TGradDirection direction_ = TGradDirection::gdVertical;
};

}  // namespace orvane
