#include "editor/overlay.h"

#include <cstddef>

#include "generator/frame_clock.h"

namespace {

uint8_t Bit(const Overlay& overlay) {
  for (size_t row = 0; row < std::size(kOverlays); ++row)
    if (kOverlays[row] == &overlay) return static_cast<uint8_t>(1u << row);
  return 0;
}

}  // namespace

bool IsOpen(const EditorSession& session, const Overlay& overlay) {
  return (session.openOverlays & Bit(overlay)) != 0;
}

const Overlay* OpenAt(const EditorSession& session, OverlayPlace place) {
  for (const Overlay* overlay : kOverlays)
    if (overlay->place == place && IsOpen(session, *overlay)) return overlay;
  return nullptr;
}

const StatusPlace& StatusPlaceOf(const EditorSession& session) {
  for (const Overlay* overlay : kOverlays)
    if (overlay->status != nullptr && IsOpen(session, *overlay)) return *overlay->status;
  return kEditorStatus;
}

void OpenOverlay(PatternGenerator& g, const Overlay& overlay) {
  const Overlay* other = OpenAt(g.session, overlay.place);
  if (other != nullptr && other != &overlay) CloseOverlay(g, *other);
  g.session.openOverlays |= Bit(overlay);
  if (overlay.opened != nullptr) overlay.opened(g);
}

void CloseOverlay(PatternGenerator& g, const Overlay& overlay) {
  if (!IsOpen(g.session, overlay)) return;
  g.session.openOverlays &= static_cast<uint8_t>(~Bit(overlay));
  if (overlay.closed != nullptr) overlay.closed(g);
}

void OverlayKeys(PatternGenerator& g, OverlayPlace place, const uint8_t* keys) {
  for (const Overlay* overlay : kOverlays) {
    const Overlay* window = OpenAt(g.session, OverlayPlace::kWindow);
    if (overlay->key == 0 || overlay->place != place || (window != nullptr && window != overlay))
      continue;
    if (!KeyTriggered(overlay->key, keys, false)) continue;
    if (IsOpen(g.session, *overlay))
      CloseOverlay(g, *overlay);
    else
      OpenOverlay(g, *overlay);
  }
}
