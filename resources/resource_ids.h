#pragma once
// Identifiers of the program's embedded resources.

#define IDI_VARNEL 1
