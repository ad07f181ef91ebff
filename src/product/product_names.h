#pragma once
// The product's names and its publisher as plain macros, so that the resource scripts (version
// resources) read them from here too. C++ code uses the constants of product.h.
#define VL_PRODUCT_NAME "Verilune"
#define VL_PUBLISHER "osmira"
// The installer's name (its window's title, its version resource's description) and the stem
// of its file, its mutex, its window class and its log relay's pipe.
#define VL_INSTALLER_NAME VL_PRODUCT_NAME " Setup"
#define VL_INSTALLER_STEM VL_PRODUCT_NAME "Setup"
#define VL_COPYRIGHT "(c) " VL_PUBLISHER
