// Ids of the program's resources, shared by the .rc script and the code.
#pragma once

#define IDI_TARNWICK 1
#define IDR_WORDMARK 101
#define IDR_MINIMISE 102
#define IDR_MINIMISE_HOVER 103
#define IDR_CLOSE 104
#define IDR_CLOSE_HOVER 105
