#pragma once

// Resource ids of the progress tests' own resources.

#define IDI_TEST_ICON 128
