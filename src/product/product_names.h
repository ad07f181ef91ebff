#pragma once
// The product's name and its publisher as plain macros, so that the resource scripts (version
// resources) read them from here too. C++ code uses the constants of product.h.
#define VL_PRODUCT_NAME "Verilune"
#define VL_PUBLISHER "osmira"
