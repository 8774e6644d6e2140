#include "tests/support/gdi_count.h"

#include <winternl.h>  // after the Windows prelude

#include <cstdint>
#include <cstring>
#include <vector>

namespace testsupport {

namespace {

// One entry of the GDI handle table, as Windows x64 and Wine lay it out (24 bytes).
struct Entry {
  std::uint64_t object;   // kernel address (Windows) or object pointer (Wine); the free-list link when free (Wine)
  std::uint16_t owner;    // owner's process id (Windows); 0 under Wine
  std::uint16_t count;
  std::uint16_t upper;    // the handle's upper half: type with the stock bit (0x80), generation
  std::uint8_t type;      // base type; 0 for a free entry
  std::uint8_t flags;
  std::uint64_t user;
};
static_assert(sizeof(Entry) == 24, "GDI handle table entry");

constexpr std::size_t kEntries = 0x10000;
constexpr std::size_t kPebGdiTable = 0xF8;  // PEB.GdiSharedHandleTable on x64
constexpr std::uint16_t kStockBit = 0x80;

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

bool ReadTable(HANDLE process, std::vector<Entry>& entries) {
  if (sizeof(void*) != 8) return false;  // the layout above is the 64-bit one
  static const auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  if (!query) return false;
  PROCESS_BASIC_INFORMATION basic{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 || !basic.PebBaseAddress) return false;
  std::uint64_t table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTable, &table,
                         sizeof table, &got) ||
      got != sizeof table || !table)
    return false;
  // In pieces: whatever part of the table is readable counts (all of it, where it exists).
  constexpr std::size_t kPiece = 4096;
  entries.assign(kEntries, Entry{});
  std::size_t read = 0;
  while (read < kEntries) {
    const auto* at = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table + read * sizeof(Entry)));
    if (!ReadProcessMemory(process, at, &entries[read], kPiece * sizeof(Entry), &got) || got != kPiece * sizeof(Entry))
      break;
    read += kPiece;
  }
  entries.resize(read);
  return read > 0;
}

}  // namespace

long CountGdiObjects(HANDLE process) {
  std::vector<Entry> entries;
  if (!ReadTable(process, entries)) return -1;
  const auto owner = static_cast<std::uint16_t>(GetProcessId(process));
  // A table where no live entry names an owner is the process's own (Wine): all of it counts.
  bool owners = false;
  for (const Entry& e : entries) owners |= e.type && e.owner;
  long n = 0;
  for (const Entry& e : entries)
    if (e.type && !(e.upper & kStockBit) && (!owners || e.owner == owner)) ++n;
  return n;
}

GuiFigures MeasureGui(HANDLE process) {
  GuiFigures f;
  f.gdiTable = CountGdiObjects(process);
  f.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  f.user = GetGuiResources(process, GR_USEROBJECTS);
  GetProcessHandleCount(process, &f.handles);
  return f;
}

}  // namespace testsupport
