// Pieces of the clipboard object's toolbox that tests reach directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win.h"

namespace clipboard {

// The allocator of the blocks that setting operations hand to the clipboard (GlobalAlloc).
// Tests put in one that fails, to see what a failure after opening leaves behind. Returns the
// previous one; null puts GlobalAlloc back.
using BlockAllocator = HGLOBAL (*)(UINT flags, SIZE_T bytes);
BlockAllocator SetBlockAllocatorForTests(BlockAllocator allocator);

// The number of names in a CF_HDROP block's list (ANSI or wide names as its fWide says), or
// empty when the header or the list with the empty name that ends it does not fit in `size`.
std::optional<std::size_t> DropListNameCount(const std::uint8_t* block, std::size_t size);

}  // namespace clipboard
