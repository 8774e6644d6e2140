#include "settings/product_info.h"

namespace settings {

const wchar_t* UpdatePageUrl() { return TARNWICK_UPDATE_URL; }
const wchar_t* MakerWebsite() { return TARNWICK_WEBSITE; }
const wchar_t* MakerQqNumber() { return TARNWICK_QQ_NUMBER; }

}  // namespace settings
