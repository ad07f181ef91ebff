#pragma once
// The product's names that the resource script states as well: plain macros, so that the
// resource compiler reads this file too. C++ code uses the constants of product.h.
#define VL_PRODUCT_NAME "Verilune"
#define VL_PUBLISHER "osmira"
