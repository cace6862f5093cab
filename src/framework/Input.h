#pragma once

#include "framework/Component.h"

#include <windows.h>

#include <functional>

// Keyboard and mouse state as the mouse and key events of the components carry it.
namespace hivelark {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of TShiftStateFlag values.
using TShiftState = unsigned;
enum TShiftStateFlag : TShiftState {
  ssShift = 0x01,
  ssAlt = 0x02,
  ssCtrl = 0x04,
  ssLeft = 0x08,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40,
};

// Shift, Ctrl and Alt as the calling thread's key state holds them now (as of the last key
// message it took from its queue).
inline TShiftState KeyboardShiftState() {
  TShiftState state = 0;
  if (GetKeyState(VK_SHIFT) < 0) {
    state |= ssShift;
  }
  if (GetKeyState(VK_CONTROL) < 0) {
    state |= ssCtrl;
  }
  if (GetKeyState(VK_MENU) < 0) {
    state |= ssAlt;
  }
  return state;
}

// A mouse button pressed or released: x and y in the coordinates the component documents.
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

} // namespace hivelark
