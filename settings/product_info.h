// The addresses and numbers whoever distributes the program sets at configure time
// (CMake cache variables TARNWICK_UPDATE_URL, TARNWICK_WEBSITE, TARNWICK_QQ_NUMBER).
#pragma once

namespace settings {

const wchar_t* UpdatePageUrl();  // the update page the start-up check reads
const wchar_t* MakerWebsite();   // written into the web shortcut file
const wchar_t* MakerQqNumber();  // named in the outdated-version message

}  // namespace settings
