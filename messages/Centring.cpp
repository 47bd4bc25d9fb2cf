#include "messages/Centring.h"

#include "messages/Messages.h"

namespace quill {

POINT CentredOver(HWND owner, int width, int height) {
  RECT area{};
  const bool overOwner = owner && !IsIconic(owner) && IsWindowVisible(owner) && GetWindowRect(owner, &area);
  if (!overOwner) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const TDialogOrigin origin =
      CenterOver(area.left, area.top, area.right - area.left, area.bottom - area.top, width, height);
  return {origin.left, origin.top};
}

void CentreWindowOver(HWND window, HWND owner) {
  RECT self{};
  if (!window || !GetWindowRect(window, &self)) return;
  const POINT at = CentredOver(owner, self.right - self.left, self.bottom - self.top);
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quill
