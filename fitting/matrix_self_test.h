// The hidden self-check of the 4×4 routines on the page "Тестирование".
#pragma once

#include <string>

namespace ostrel {

class NumberFormat;

// "Op44 = " and the determinant of a fixed matrix (-21).
std::string Test1(const NumberFormat& format);
// "Dopolnenie = " and the cofactor (2, 2) of a fixed matrix (-8).
std::string Test2(const NumberFormat& format);

}  // namespace ostrel
