// Fuzzes the settings reader: any file content gives two selections in range.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/settings_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const settings::KeySelections s = settings::DecodeSettings(bytes);
  if (s.capture < -1 || s.capture > 16 || s.undo < -1 || s.undo > 16) __builtin_trap();
  // Reading chunk by chunk, stopping early, gives the same selections as reading it all.
  settings::SettingsReader reader;
  for (size_t i = 0; i < size && !reader.Complete(); i += 7) reader.Append(bytes.substr(i, 7));
  if (!(settings::DecodeSettings(reader.Bytes()) == s)) __builtin_trap();
  return 0;
}
