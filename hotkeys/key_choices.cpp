#include "hotkeys/key_choices.h"

namespace hotkeys {

const KeyChoice KeyChoiceTable[kKeyChoiceCount] = {
    {L"F1键", L"F1键", 112},
    {L"F2键（默认）", L"F2键", 113},
    {L"F3键", L"F3键（默认）", 114},
    {L"F4键", L"F4键", 115},
    {L"F5键", L"F5键", 116},
    {L"F6键", L"F6键", 117},
    {L"F7键", L"F7键", 118},
    {L"F8键", L"F8键", 119},
    {L"F9键", L"F9键", 120},
    {L"F10键", L"F10键", 121},
    {L"F11键", L"F11键", 122},
    {L"F12键", L"F12键", 123},
    {L"end键", L"end键", 35},
    {L"home键", L"home键", 36},
    {L"ALT键", L"ALT键", 18},
    {L"CTRL键", L"CTRL键", 17},
    {L"~反撇号键", L"~反撇号键", 192},
};

std::optional<int> VirtualKeyOfIndex(int index) {
  if (index < 0 || index >= kKeyChoiceCount) return std::nullopt;
  return KeyChoiceTable[index].virtualKey;
}

}  // namespace hotkeys
