// Resource IDs shared by dorvan.rc and the program.
#pragma once

#define IDI_DORVAN 1
