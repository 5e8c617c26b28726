// Templates 37 (the editor form) and 100 (the language list form) as data, in
// template order. The dialog templates of the Windows build and MemoryForm are
// both made from these tables; there is no second copy of the layout.
//
// Spins take the control just before them as their buddy and move against its
// right edge at run time, so their own rectangles only record where they end up.
#include "form/catalogue.h"

#include <iterator>

namespace ce {

namespace {

using K = Kind;
using A = Align;

constexpr Control kEditorControls[] = {
    // Creature list, name, texts and portrait frame
    {2003, K::GroupBox, 2, 0, 166, 25, A::Center, kFlat, ""},
    {300, K::ComboEdit, 5, 9, 160, 352, A::Left, kNone, ""},
    {2004, K::GroupBox, 2, 104, 80, 25, A::Center, kNone, ""},
    {121, K::TextEdit, 5, 113, 73, 12, A::Center, kNone, ""},
    {2005, K::GroupBox, 84, 104, 40, 25, A::Center, kNone, ""},
    {151, K::NumberEdit, 87, 113, 33, 12, A::Center, kNone, ""},
    {1917, K::Spin, 110, 113, 10, 12, A::Left, kNone, ""},
    {2006, K::GroupBox, 126, 104, 42, 25, A::Center, kNone, ""},
    {122, K::TextEdit, 129, 113, 35, 12, A::Center, kUpperCase, ""},
    {2102, K::GroupBox, 2, 25, 166, 25, A::Center, kNone, ""},
    {5000, K::TextEdit, 5, 34, 160, 12, A::Left, kNoAutoHScroll, ""},
    {2103, K::GroupBox, 2, 51, 166, 53, A::Center, kNone, ""},
    {5001, K::MultiLineEdit, 5, 60, 160, 39, A::Left, kNone, ""},
    {2007, K::GroupBox, 2, 130, 166, 62, A::Center, kNone, ""},
    {2101, K::GroupBox, 5, 136, 46, 52, A::Center, kNone, ""},
    {2008, K::RadioButton, 55, 139, 55, 10, A::Left, kGroupStart, ""},
    {2009, K::RadioButton, 55, 149, 55, 10, A::Left, kNone, ""},
    {2010, K::RadioButton, 55, 159, 55, 10, A::Left, kNone, ""},
    {2011, K::RadioButton, 55, 169, 55, 10, A::Left, kNone, ""},
    {2012, K::RadioButton, 55, 179, 55, 10, A::Left, kNone, ""},
    {2013, K::RadioButton, 110, 139, 55, 10, A::Left, kNone, ""},
    {2014, K::RadioButton, 110, 149, 55, 10, A::Left, kNone, ""},
    {2015, K::RadioButton, 110, 159, 55, 10, A::Left, kNone, ""},
    {2016, K::RadioButton, 110, 169, 55, 10, A::Left, kNone, ""},
    {2017, K::RadioButton, 110, 179, 55, 10, A::Left, kNone, ""},
    // Flag word check boxes
    {2018, K::GroupBox, 2, 192, 166, 172, A::Center, kNone, ""},
    {2019, K::CheckBox, 5, 202, 80, 10, A::Left, kNone, ""},
    {2020, K::CheckBox, 5, 212, 80, 10, A::Left, kNone, ""},
    {2021, K::CheckBox, 5, 222, 80, 10, A::Left, kNone, ""},
    {2022, K::CheckBox, 5, 232, 80, 10, A::Left, kNone, ""},
    {2023, K::CheckBox, 5, 242, 80, 10, A::Left, kNone, ""},
    {2024, K::CheckBox, 5, 252, 80, 10, A::Left, kNone, ""},
    {2025, K::CheckBox, 5, 262, 80, 10, A::Left, kNone, ""},
    {2026, K::CheckBox, 5, 272, 80, 10, A::Left, kNone, ""},
    {2027, K::CheckBox, 5, 282, 80, 10, A::Left, kNone, ""},
    {2028, K::CheckBox, 5, 292, 80, 10, A::Left, kNone, ""},
    {2029, K::CheckBox, 5, 302, 80, 10, A::Left, kNone, ""},
    {2030, K::CheckBox, 5, 312, 80, 10, A::Left, kNone, ""},
    {2031, K::CheckBox, 5, 322, 80, 10, A::Left, kNone, ""},
    {2032, K::CheckBox, 5, 332, 80, 10, A::Left, kNone, ""},
    {2033, K::CheckBox, 5, 342, 80, 10, A::Left, kNone, ""},
    {2034, K::CheckBox, 5, 352, 80, 10, A::Left, kNone, ""},
    {2035, K::CheckBox, 85, 202, 76, 10, A::Left, kNone, ""},
    {2036, K::CheckBox, 85, 212, 76, 10, A::Left, kNone, ""},
    {2037, K::CheckBox, 85, 222, 76, 10, A::Left, kNone, ""},
    {2038, K::CheckBox, 85, 232, 76, 10, A::Left, kNone, ""},
    {2039, K::CheckBox, 85, 242, 76, 10, A::Left, kNone, ""},
    {2040, K::CheckBox, 85, 252, 76, 10, A::Left, kNone, ""},
    {2041, K::CheckBox, 85, 262, 76, 10, A::Left, kNone, ""},
    {2042, K::CheckBox, 85, 272, 76, 10, A::Left, kNone, ""},
    {2043, K::CheckBox, 85, 282, 76, 10, A::Left, kNone, ""},
    {2044, K::CheckBox, 85, 292, 76, 10, A::Left, kNone, ""},
    {2045, K::CheckBox, 85, 302, 76, 10, A::Left, kNone, ""},
    {2046, K::CheckBox, 85, 312, 76, 10, A::Left, kNone, ""},
    {2047, K::CheckBox, 85, 322, 76, 10, A::Left, kNone, ""},
    {2048, K::CheckBox, 85, 332, 76, 10, A::Left, kNone, ""},
    {2049, K::CheckBox, 85, 342, 76, 10, A::Left, kNone, ""},
    {2050, K::CheckBox, 85, 352, 76, 10, A::Left, kNone, ""},
    // Jump button and the lists of the top row
    {2101, K::PushButton, 170, 3, 14, 22, A::Left, kNone, "->"},
    {2051, K::GroupBox, 186, 0, 156, 25, A::Center, kNone, ""},
    {301, K::ComboList, 189, 9, 150, 352, A::Left, kNone, ""},
    {2052, K::GroupBox, 344, 0, 160, 25, A::Center, kNone, ""},
    {302, K::ComboList, 348, 9, 154, 352, A::Left, kNone, ""},
    {2053, K::GroupBox, 278, 25, 64, 25, A::Center, kNone, ""},
    {305, K::ComboList, 281, 34, 58, 275, A::Left, kNone, ""},
    {2054, K::GroupBox, 170, 25, 106, 25, A::Center, kNone, ""},
    {304, K::TextEdit, 173, 34, 99, 12, A::Center, kNone, ""},
    {2055, K::GroupBox, 344, 25, 86, 25, A::Center, kNone, ""},
    {306, K::ComboList, 347, 34, 80, 275, A::Left, kNone, ""},
    {2056, K::GroupBox, 432, 25, 72, 25, A::Center, kNone, ""},
    {307, K::ComboList, 435, 34, 66, 275, A::Left, kNone, ""},
    {2057, K::GroupBox, 170, 51, 50, 25, A::Center, kNone, ""},
    {212, K::NumberEdit, 181, 60, 28, 12, A::Right, kNone, ""},
    {1918, K::Spin, 199, 60, 10, 12, A::Left, kNone, ""},
    {2058, K::CheckBox, 224, 56, 82, 10, A::Left, kNone, ""},
    {2059, K::CheckBox, 224, 66, 82, 10, A::Left, kNone, ""},
    {2060, K::CheckBox, 314, 56, 82, 10, A::Left, kNone, ""},
    {2061, K::CheckBox, 314, 66, 82, 10, A::Left, kNone, ""},
    {2062, K::CheckBox, 400, 56, 100, 10, A::Left, kNone, ""},
    {2063, K::CheckBox, 400, 66, 100, 10, A::Left, kNone, ""},
    // Lists of the middle column
    {2064, K::GroupBox, 170, 76, 102, 40, A::Center, kNone, ""},
    {308, K::ComboList, 173, 85, 96, 275, A::Left, kNone, ""},
    {309, K::ComboList, 173, 100, 96, 275, A::Left, kNone, ""},
    {2065, K::GroupBox, 170, 116, 102, 77, A::Center, kNone, ""},
    {310, K::ComboList, 173, 125, 96, 275, A::Left, kNone, ""},
    {311, K::ComboList, 173, 140, 96, 275, A::Left, kNone, ""},
    {312, K::ComboList, 173, 155, 96, 275, A::Left, kNone, ""},
    {2066, K::GroupBox, 170, 168, 102, 25, A::Center, kNone, ""},
    {303, K::ComboList, 173, 177, 96, 275, A::Left, kNone, ""},
    {2067, K::GroupBox, 170, 193, 102, 25, A::Center, kNone, ""},
    {313, K::ComboList, 173, 202, 96, 275, A::Left, kNone, ""},
    {2068, K::GroupBox, 170, 219, 102, 25, A::Center, kNone, ""},
    {314, K::ComboList, 173, 228, 96, 275, A::Left, kNone, ""},
    {2069, K::GroupBox, 170, 244, 334, 39, A::Center, kNone, ""},
    {2070, K::GroupBox, 173, 252, 46, 27, A::Center, kNone, ""},
    {2071, K::Label, 175, 265, 6, 7, A::Left, kNone, ""},
    {231, K::NumberEdit, 182, 263, 28, 12, A::Right, kNone, ""},
    {1919, K::Spin, 200, 263, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 210, 265, 6, 7, A::Left, kNone, "%"},
    {2072, K::GroupBox, 222, 252, 278, 27, A::Center, kNone, ""},
    {315, K::ComboList, 226, 263, 270, 275, A::Left, kNone, ""},
    // Check boxes in three columns
    {2073, K::CheckBox, 276, 76, 70, 10, A::Left, kNone, ""},
    {2074, K::CheckBox, 276, 86, 70, 10, A::Left, kNone, ""},
    {2075, K::CheckBox, 350, 76, 60, 10, A::Left, kNone, ""},
    {2076, K::CheckBox, 350, 86, 60, 10, A::Left, kNone, ""},
    {2077, K::CheckBox, 416, 76, 90, 10, A::Left, kNone, ""},
    {2078, K::CheckBox, 416, 86, 90, 10, A::Left, kNone, ""},
    {2079, K::CheckBox, 276, 96, 70, 10, A::Left, kNone, ""},
    {2080, K::CheckBox, 350, 96, 60, 10, A::Left, kNone, ""},
    {2081, K::CheckBox, 416, 96, 90, 10, A::Left, kNone, ""},
    {2082, K::CheckBox, 276, 106, 70, 10, A::Left, kNone, ""},
    {2083, K::CheckBox, 350, 106, 60, 10, A::Left, kNone, ""},
    {2084, K::CheckBox, 416, 106, 90, 10, A::Left, kNone, ""},
    // Percentages and small numbers
    {2085, K::GroupBox, 283, 116, 46, 25, A::Center, kNone, ""},
    {2086, K::Label, 285, 127, 6, 7, A::Left, kNone, ""},
    {245, K::NumberEdit, 292, 125, 28, 12, A::Right, kNone, ""},
    {1920, K::Spin, 310, 125, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 320, 127, 6, 7, A::Left, kNone, "%"},
    {2087, K::GroupBox, 343, 116, 160, 25, A::Center, kNone, ""},
    {2088, K::Label, 345, 127, 25, 7, A::Center, kNone, ""},
    {246, K::NumberEdit, 372, 125, 28, 12, A::Right, kNone, ""},
    {1921, K::Spin, 390, 125, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 400, 127, 6, 7, A::Left, kNone, "%"},
    {2089, K::Label, 410, 127, 36, 10, A::Center, kNone, ""},
    {247, K::NumberEdit, 448, 125, 50, 12, A::Right, kNone, ""},
    {1922, K::Spin, 488, 125, 10, 12, A::Left, kNone, ""},
    {2090, K::GroupBox, 283, 142, 46, 25, A::Center, kNone, ""},
    {248, K::NumberEdit, 292, 151, 28, 12, A::Right, kNone, ""},
    {1923, K::Spin, 310, 151, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 320, 153, 6, 7, A::Left, kNone, "%"},
    {2091, K::GroupBox, 340, 142, 100, 25, A::Center, kNone, ""},
    {101, K::Label, 348, 150, 7, 9, A::Left, kNone, "_"},
    {249, K::NumberEdit, 358, 151, 28, 12, A::Right, kNone, ""},
    {1924, K::Spin, 376, 151, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 392, 153, 7, 9, A::Left, kNone, "+"},
    {250, K::NumberEdit, 402, 151, 28, 12, A::Right, kNone, ""},
    {1925, K::Spin, 420, 151, 10, 12, A::Left, kNone, ""},
    {2092, K::GroupBox, 444, 142, 60, 25, A::Center, kNone, ""},
    {251, K::NumberEdit, 456, 151, 35, 12, A::Right, kNone, ""},
    {1926, K::Spin, 481, 151, 10, 12, A::Left, kNone, ""},
    {2093, K::GroupBox, 283, 168, 46, 25, A::Center, kNone, ""},
    {316, K::ComboList, 286, 177, 40, 200, A::Left, kNone, ""},
    // Number block
    {2104, K::GroupBox, 506, 25, 168, 40, A::Center, kNone, ""},
    {70, K::NumberEdit, 522, 34, 25, 12, A::Right, kNone, ""},
    {1931, K::Spin, 537, 34, 10, 12, A::Left, kNone, ""},
    {71, K::NumberEdit, 564, 34, 25, 12, A::Right, kNone, ""},
    {1932, K::Spin, 579, 34, 10, 12, A::Left, kNone, ""},
    {72, K::NumberEdit, 604, 34, 25, 12, A::Right, kNone, ""},
    {1933, K::Spin, 619, 34, 10, 12, A::Left, kNone, ""},
    {73, K::NumberEdit, 646, 34, 25, 12, A::Right, kNone, ""},
    {1934, K::Spin, 661, 34, 10, 12, A::Left, kNone, ""},
    {74, K::NumberEdit, 522, 49, 25, 12, A::Right, kNone, ""},
    {1935, K::Spin, 537, 49, 10, 12, A::Left, kNone, ""},
    {75, K::NumberEdit, 564, 49, 25, 12, A::Right, kNone, ""},
    {1936, K::Spin, 579, 49, 10, 12, A::Left, kNone, ""},
    {76, K::NumberEdit, 614, 49, 50, 12, A::Right, kNone, ""},
    {1937, K::Spin, 654, 49, 10, 12, A::Left, kNone, ""},
    {2105, K::GroupBox, 506, 65, 47, 25, A::Center, kNone, ""},
    {77, K::NumberEdit, 509, 74, 41, 12, A::Right, kNone, ""},
    {1938, K::Spin, 540, 74, 10, 12, A::Left, kNone, ""},
    {2106, K::GroupBox, 555, 65, 47, 25, A::Center, kNone, ""},
    {78, K::NumberEdit, 558, 74, 41, 12, A::Right, kNone, ""},
    {1939, K::Spin, 589, 74, 10, 12, A::Left, kNone, ""},
    {2107, K::GroupBox, 604, 65, 70, 25, A::Center, kNone, ""},
    {79, K::NumberEdit, 607, 74, 30, 12, A::Right, kNone, ""},
    {1940, K::Spin, 627, 74, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 639, 75, 7, 9, A::Left, kNone, "+"},
    {80, K::NumberEdit, 646, 74, 25, 12, A::Right, kNone, ""},
    {1941, K::Spin, 661, 74, 10, 12, A::Left, kNone, ""},
    {2108, K::GroupBox, 506, 91, 47, 25, A::Center, kNone, ""},
    {81, K::NumberEdit, 509, 100, 41, 12, A::Right, kNone, ""},
    {1942, K::Spin, 540, 100, 10, 12, A::Left, kNone, ""},
    {2109, K::GroupBox, 555, 91, 38, 25, A::Center, kNone, ""},
    {82, K::NumberEdit, 558, 100, 32, 12, A::Right, kNone, ""},
    {1943, K::Spin, 580, 100, 10, 12, A::Left, kNone, ""},
    {2110, K::GroupBox, 595, 91, 38, 25, A::Center, kNone, ""},
    {83, K::NumberEdit, 598, 100, 32, 12, A::Right, kNone, ""},
    {1944, K::Spin, 620, 100, 10, 12, A::Left, kNone, ""},
    {2111, K::GroupBox, 635, 91, 38, 25, A::Center, kNone, ""},
    {84, K::NumberEdit, 638, 100, 32, 12, A::Right, kNone, ""},
    {1945, K::Spin, 660, 100, 10, 12, A::Left, kNone, ""},
    {2115, K::GroupBox, 506, 117, 82, 25, A::Center, kNone, ""},
    {87, K::NumberEdit, 529, 126, 36, 12, A::Center, kNone, ""},
    {1948, K::Spin, 555, 126, 10, 12, A::Left, kNone, ""},
    {2116, K::GroupBox, 591, 117, 82, 25, A::Center, kNone, ""},
    {88, K::NumberEdit, 614, 126, 36, 12, A::Center, kNone, ""},
    {1949, K::Spin, 640, 126, 10, 12, A::Left, kNone, ""},
    {2112, K::GroupBox, 506, 143, 82, 36, A::Center, kNone, ""},
    {2113, K::GroupBox, 509, 151, 37, 25, A::Center, kNone, ""},
    {85, K::NumberEdit, 512, 160, 31, 12, A::Right, kNone, ""},
    {1946, K::Spin, 533, 160, 10, 12, A::Left, kNone, ""},
    {2114, K::GroupBox, 548, 151, 37, 25, A::Center, kNone, ""},
    {86, K::NumberEdit, 551, 160, 31, 12, A::Right, kNone, ""},
    {1947, K::Spin, 572, 160, 10, 12, A::Left, kNone, ""},
    {2117, K::GroupBox, 591, 143, 82, 36, A::Center, kNone, ""},
    {2118, K::GroupBox, 594, 151, 37, 25, A::Center, kNone, ""},
    {89, K::NumberEdit, 597, 160, 31, 12, A::Right, kNone, ""},
    {1950, K::Spin, 618, 160, 10, 12, A::Left, kNone, ""},
    {2119, K::GroupBox, 633, 151, 37, 25, A::Center, kNone, ""},
    {90, K::NumberEdit, 636, 160, 31, 12, A::Right, kNone, ""},
    {1951, K::Spin, 657, 160, 10, 12, A::Left, kNone, ""},
    // CrAnim record
    {2120, K::GroupBox, 170, 283, 334, 81, A::Center, kNone, ""},
    {2121, K::GroupBox, 173, 290, 84, 27, A::Center, kNone, ""},
    {101, K::Label, 177, 301, 6, 7, A::Left, kNone, "X"},
    {91, K::NumberEdit, 184, 299, 28, 12, A::Right, kNone, ""},
    {1952, K::Spin, 202, 299, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 217, 301, 6, 7, A::Left, kNone, "Y"},
    {92, K::NumberEdit, 224, 299, 28, 12, A::Right, kNone, ""},
    {1953, K::Spin, 242, 299, 10, 12, A::Left, kNone, ""},
    {2122, K::GroupBox, 173, 312, 84, 27, A::Center, kNone, ""},
    {101, K::Label, 177, 323, 6, 7, A::Left, kNone, "X"},
    {93, K::NumberEdit, 184, 321, 28, 12, A::Right, kNone, ""},
    {1954, K::Spin, 202, 321, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 217, 323, 6, 7, A::Left, kNone, "Y"},
    {94, K::NumberEdit, 224, 321, 28, 12, A::Right, kNone, ""},
    {1955, K::Spin, 242, 321, 10, 12, A::Left, kNone, ""},
    {2123, K::GroupBox, 173, 334, 84, 27, A::Center, kNone, ""},
    {101, K::Label, 177, 345, 6, 7, A::Left, kNone, "X"},
    {95, K::NumberEdit, 184, 343, 28, 12, A::Right, kNone, ""},
    {1956, K::Spin, 202, 343, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 217, 345, 6, 7, A::Left, kNone, "Y"},
    {96, K::NumberEdit, 224, 343, 28, 12, A::Right, kNone, ""},
    {1957, K::Spin, 242, 343, 10, 12, A::Left, kNone, ""},
    {2124, K::GroupBox, 382, 290, 119, 72, A::Center, kNone, ""},
    {5002, K::NewEdit, 386, 300, 35, 12, A::Center, kNone, ""},
    {1958, K::Spin, 411, 300, 10, 12, A::Left, kNone, ""},
    {5003, K::NewEdit, 424, 300, 35, 12, A::Center, kNone, ""},
    {1959, K::Spin, 449, 300, 10, 12, A::Left, kNone, ""},
    {5004, K::NewEdit, 462, 300, 35, 12, A::Center, kNone, ""},
    {1960, K::Spin, 487, 300, 10, 12, A::Left, kNone, ""},
    {5005, K::NewEdit, 386, 315, 35, 12, A::Center, kNone, ""},
    {1961, K::Spin, 411, 315, 10, 12, A::Left, kNone, ""},
    {5006, K::NewEdit, 424, 315, 35, 12, A::Center, kNone, ""},
    {1962, K::Spin, 449, 315, 10, 12, A::Left, kNone, ""},
    {5007, K::NewEdit, 462, 315, 35, 12, A::Center, kNone, ""},
    {1963, K::Spin, 487, 315, 10, 12, A::Left, kNone, ""},
    {5008, K::NewEdit, 386, 330, 35, 12, A::Center, kNone, ""},
    {1964, K::Spin, 411, 330, 10, 12, A::Left, kNone, ""},
    {5009, K::NewEdit, 424, 330, 35, 12, A::Center, kNone, ""},
    {1965, K::Spin, 449, 330, 10, 12, A::Left, kNone, ""},
    {5010, K::NewEdit, 462, 330, 35, 12, A::Center, kNone, ""},
    {1966, K::Spin, 487, 330, 10, 12, A::Left, kNone, ""},
    {5011, K::NewEdit, 386, 345, 35, 12, A::Center, kNone, ""},
    {1967, K::Spin, 411, 345, 10, 12, A::Left, kNone, ""},
    {5012, K::NewEdit, 424, 345, 35, 12, A::Center, kNone, ""},
    {1968, K::Spin, 449, 345, 10, 12, A::Left, kNone, ""},
    {5013, K::NewEdit, 462, 345, 35, 12, A::Center, kNone, ""},
    {1969, K::Spin, 487, 345, 10, 12, A::Left, kNone, ""},
    {2125, K::Label, 260, 290, 100, 10, A::Left, kNone, ""},
    {5014, K::NumberEdit, 260, 299, 36, 12, A::Center, kNone, ""},
    {1970, K::Spin, 286, 299, 10, 12, A::Left, kNone, ""},
    {2126, K::Label, 300, 298, 80, 10, A::Right, kNone, ""},
    {5015, K::NumberEdit, 342, 307, 36, 12, A::Center, kNone, ""},
    {1971, K::Spin, 368, 307, 10, 12, A::Left, kNone, ""},
    {2127, K::Label, 260, 312, 80, 10, A::Left, kNone, ""},
    {5016, K::NewEdit, 260, 321, 36, 12, A::Center, kNone, ""},
    {1972, K::Spin, 286, 321, 10, 12, A::Left, kNone, ""},
    {2128, K::Label, 300, 320, 80, 10, A::Right, kNone, ""},
    {5017, K::NewEdit, 342, 329, 36, 12, A::Center, kNone, ""},
    {1973, K::Spin, 368, 329, 10, 12, A::Left, kNone, ""},
    {2129, K::Label, 260, 334, 80, 10, A::Left, kNone, ""},
    {5018, K::NewEdit, 260, 343, 36, 12, A::Center, kNone, ""},
    {1974, K::Spin, 286, 343, 10, 12, A::Left, kNone, ""},
    {2130, K::Label, 300, 342, 80, 10, A::Right, kNone, ""},
    {5019, K::NewEdit, 342, 351, 36, 12, A::Center, kNone, ""},
    {1975, K::Spin, 368, 351, 10, 12, A::Left, kNone, ""},
    // Right-hand column: stores, spells, language and Save
    {2131, K::GroupBox, 283, 193, 46, 25, A::Center, kNone, ""},
    {97, K::NumberEdit, 292, 202, 28, 12, A::Right, kNone, ""},
    {1976, K::Spin, 310, 202, 10, 12, A::Left, kNone, ""},
    {101, K::Label, 320, 204, 6, 7, A::Left, kNone, "%"},
    {2094, K::GroupBox, 340, 168, 164, 55, A::Center, kNone, ""},
    {317, K::ComboList, 343, 177, 106, 275, A::Left, kNone, ""},
    {318, K::ComboList, 343, 192, 106, 275, A::Left, kNone, ""},
    {319, K::ComboList, 343, 207, 106, 275, A::Left, kNone, ""},
    {320, K::ComboList, 451, 177, 50, 275, A::Left, kNone, ""},
    {321, K::ComboList, 451, 192, 50, 275, A::Left, kNone, ""},
    {322, K::ComboList, 451, 207, 50, 275, A::Left, kNone, ""},
    {2132, K::CheckBox, 506, 180, 70, 10, A::Left, kNone, ""},
    {2096, K::GroupBox, 340, 220, 164, 25, A::Center, kNone, ""},
    {323, K::ComboList, 343, 229, 158, 352, A::Left, kNone, ""},
    {2095, K::GroupBox, 283, 219, 46, 25, A::Center, kNone, ""},
    {98, K::NumberEdit, 292, 228, 28, 12, A::Right, kNone, ""},
    {1977, K::Spin, 310, 228, 10, 12, A::Left, kNone, ""},
    {2099, K::CheckBox, 506, 225, 120, 10, A::Left, kNone, ""},
    {2000, K::GroupBox, 506, 0, 110, 25, A::Center, kFlat, ""},
    {2001, K::RadioButton, 512, 11, 56, 10, A::Left, kGroupStart, ""},
    {2002, K::RadioButton, 568, 11, 45, 10, A::Left, kNone, ""},
    {2100, K::PushButton, 617, 3, 56, 22, A::Left, kModalFrame, ""},
};
static_assert(std::size(kEditorControls) == 288, "the editor form holds 288 controls");

constexpr FormFrame kEditorFrame{
    674, 366, "Quelmarn - Creatures Editor (Tirrowe edition)", "MS Sans Serif", 8, true, true, kEditorMenu};

constexpr MenuItem kEditorMenuItems[] = {
    {10000, "Copy all states", MessageKey::menu_copy_all_states},
    {10001, "Paste all states", MessageKey::menu_paste_all_states},
    {10002, "Paste CrAnim", MessageKey::menu_paste_cranim},
    {10003, "&History...", MessageKey::menu_history},
    {10004, "&Undo Save (Ctrl+Z)", MessageKey::menu_undo_save},
    {10005, "Apply &mod...", MessageKey::menu_apply_mod},
    {10006, "Save changes as m&od...", MessageKey::menu_save_as_mod},
    {10007, "E&xport table...", MessageKey::menu_export_table},
    {10008, "&Import table...", MessageKey::menu_import_table},
};

// The History window: the entries newest first, what the selected one changed,
// and the two restores.
constexpr FormFrame kHistoryFrame{420, 240, "History", "MS Sans Serif", 8, true, false, 0};

constexpr Control kHistoryControls[] = {
    {4001, K::Label, 7, 6, 406, 9, A::Left, kNone, "&Entries, newest first:"},
    {4002, K::ListBox, 7, 16, 406, 100, A::Left, kNone, ""},
    {4003, K::Label, 7, 120, 406, 9, A::Left, kNone, "What the selected entry c&hanged:"},
    {4004, K::ListBox, 7, 130, 406, 82, A::Left, kNone, ""},
    {4005, K::PushButton, 7, 219, 160, 14, A::Left, kNone, "Restore this &creature as before it"},
    {4006, K::PushButton, 172, 219, 160, 14, A::Left, kNone, "Restore the &folder as before it"},
    {2, K::PushButton, 357, 219, 56, 14, A::Left, kNone, "C&lose"},
};

constexpr ControlWords kHistoryWords[] = {
    {4001, MessageKey::history_entries},      {4003, MessageKey::history_changes},
    {4005, MessageKey::history_restore_creature}, {4006, MessageKey::history_restore_folder},
    {2, MessageKey::button_close},
};

// The Apply mod window: every change the mod makes and its conflicts, each
// settled by the user, then one write.
constexpr FormFrame kModFrame{420, 233, "Apply mod", "MS Sans Serif", 8, true, false, 0};

constexpr Control kModControls[] = {
    {4101, K::Label, 7, 6, 406, 9, A::Left, kNone, "&Changes the mod makes:"},
    {4102, K::ListBox, 7, 16, 406, 160, A::Left, kNone, ""},
    {4103, K::Label, 7, 180, 406, 9, A::Left, kNone, ""},
    {4104, K::PushButton, 7, 194, 150, 14, A::Left, kNone, "Take the &mod's value"},
    {4105, K::PushButton, 162, 194, 150, 14, A::Left, kNone, "Keep the &folder's value"},
    {4106, K::PushButton, 7, 212, 150, 14, A::Left, kNone, "Mod's value in &all conflicts"},
    {4107, K::PushButton, 162, 212, 150, 14, A::Left, kNone, "Folder's value in all c&onflicts"},
    {1, K::PushButton, 318, 212, 46, 14, A::Left, kNone, "&Apply"},
    {2, K::PushButton, 367, 212, 46, 14, A::Left, kNone, "Cancel"},
};

constexpr ControlWords kModWords[] = {
    {4101, MessageKey::mod_changes},   {4104, MessageKey::mod_take_mod}, {4105, MessageKey::mod_keep_folder},
    {4106, MessageKey::mod_all_mod},   {4107, MessageKey::mod_all_folder}, {1, MessageKey::button_apply},
    {2, MessageKey::button_cancel},
};

// The Import table window: every change the table makes, the held ones first
// with their classes, and the two ways to write them.
constexpr FormFrame kTableFrame{420, 215, "Import table", "MS Sans Serif", 8, true, false, 0};

constexpr Control kTableControls[] = {
    {4201, K::Label, 7, 6, 406, 9, A::Left, kNone, "&Changes the table makes:"},
    {4202, K::ListBox, 7, 16, 406, 152, A::Left, kNone, ""},
    {4203, K::Label, 7, 172, 406, 18, A::Left, kNone, ""},
    {4204, K::PushButton, 7, 194, 130, 14, A::Left, kNone, "Import &all of them"},
    {4205, K::PushButton, 142, 194, 150, 14, A::Left, kNone, "Import without the &held ones"},
    {2, K::PushButton, 357, 194, 56, 14, A::Left, kNone, "C&lose"},
};

constexpr ControlWords kTableWords[] = {
    {4201, MessageKey::table_changes}, {4204, MessageKey::table_import_all},
    {4205, MessageKey::table_import_without_held}, {2, MessageKey::button_close},
};

constexpr WindowLayout kTableWindow{kTableFrame, kTableControls, MessageKey::table_title, kTableWords};

constexpr WindowLayout kModWindow{kModFrame, kModControls, MessageKey::mod_title, kModWords};

constexpr WindowLayout kHistoryWindow{kHistoryFrame, kHistoryControls, MessageKey::history_title, kHistoryWords};

// Same size and font, a caption with an empty title, no system menu, no menu.
constexpr FormFrame kLanguageListFrame{674, 366, "", "MS Sans Serif", 8, false, false, 0};

constexpr Control kLanguageListControls[] = {
    {1000, K::Label, 18, 14, 56, 10, A::Right, kNone, "Chinese : "},
    {1001, K::Label, 18, 26, 56, 10, A::Right, kNone, "Japanese : "},
    {1002, K::Label, 18, 38, 56, 10, A::Right, kNone, "Russian : "},
    {1003, K::Label, 18, 50, 56, 10, A::Right, kNone, "Greek : "},
    {1004, K::Label, 18, 62, 56, 10, A::Right, kNone, "Hindi : "},
    {1005, K::Label, 18, 74, 56, 10, A::Right, kNone, "Vietnamese : "},
    {1006, K::Label, 18, 86, 56, 10, A::Right, kNone, "Georgian : "},
    {1007, K::Label, 18, 98, 56, 10, A::Right, kNone, "Serbian : "},
    {1008, K::Label, 18, 110, 56, 10, A::Right, kNone, "Armenian : "},
    {1009, K::Label, 18, 122, 56, 10, A::Right, kNone, "Korean : "},
    {1250, K::Label, 76, 14, 268, 10, A::Left, kNone, "Chinese"},
    {1251, K::Label, 76, 26, 268, 10, A::Left, kNone, "Japanese"},
    {1252, K::Label, 76, 38, 268, 10, A::Left, kNone, "Russian"},
    {1253, K::Label, 76, 50, 268, 10, A::Left, kNone, "Greek"},
    {1254, K::Label, 76, 62, 268, 10, A::Left, kNone, "Hindi"},
    {1255, K::Label, 76, 74, 268, 10, A::Left, kNone, "Vietnamese"},
    {1256, K::Label, 76, 86, 268, 10, A::Left, kNone, "Georgian"},
    {1257, K::Label, 76, 98, 268, 10, A::Left, kNone, "Serbian"},
    {1258, K::Label, 76, 110, 268, 10, A::Left, kNone, "Armenian"},
    {1259, K::Label, 76, 122, 268, 10, A::Left, kNone, "Korean"},
    {1, K::PushButton, 288, 138, 56, 14, A::Left, kNone, "OK"},
};
static_assert(std::size(kLanguageListControls) == 21, "the language list form holds 21 controls");

constexpr ListedLanguage kListedLanguages[] = {
    {1000, 1250, MessageKey::language_chinese},    {1001, 1251, MessageKey::language_japanese},
    {1002, 1252, MessageKey::language_russian},    {1003, 1253, MessageKey::language_greek},
    {1004, 1254, MessageKey::language_hindi},      {1005, 1255, MessageKey::language_vietnamese},
    {1006, 1256, MessageKey::language_georgian},   {1007, 1257, MessageKey::language_serbian},
    {1008, 1258, MessageKey::language_armenian},   {1009, 1259, MessageKey::language_korean},
};

// Set at initialisation in exactly this order. Edits 253-256 and spins
// 1927-1930 are not on the form; their rows still run and do nothing.
constexpr LimitRow kLimitRows[] = {
    {122, 4, -1, 0, 0},
    {121, 15, -1, 0, 0},
    {304, 15, -1, 0, 0},
    {151, 1, 1917, 1, 7},
    {212, 3, 1918, 0, 255},
    {231, 3, 1919, 0, 100},
    {245, 3, 1920, 0, 100},
    {246, 3, 1921, 0, 100},
    {247, 9, 1922, 0, 999999999},
    {248, 3, 1923, 0, 100},
    {249, 3, 1924, 0, 255},
    {250, 3, 1925, 0, 255},
    {251, 5, 1926, 0, 65535},
    {253, 3, 1927, -1, 100},
    {254, 3, 1928, -1, 100},
    {255, 3, 1929, -1, 100},
    {256, 3, 1930, 0, 100},
    {70, 3, 1931, 0, 999},
    {71, 3, 1932, 0, 999},
    {72, 3, 1933, 0, 999},
    {73, 3, 1934, 0, 999},
    {74, 3, 1935, 0, 999},
    {75, 3, 1936, 0, 999},
    {76, 9, 1937, 0, 999999999},
    {77, 7, 1938, 0, 9999999},
    {78, 7, 1939, 0, 9999999},
    {79, 4, 1940, 0, 9999},
    {80, 3, 1941, 0, 999},
    {81, 7, 1942, 0, 9999999},
    {82, 5, 1943, 0, 99999},
    {83, 5, 1944, 0, 99999},
    {84, 5, 1945, 0, 99999},
    {85, 4, 1946, 0, 9999},
    {86, 4, 1947, 0, 9999},
    {87, 4, 1948, 0, 9999},
    {88, 4, 1949, 0, 9999},
    {89, 4, 1950, 0, 9999},
    {90, 4, 1951, 0, 9999},
    {91, 3, 1952, -128, 127},
    {92, 3, 1953, -128, 127},
    {93, 3, 1954, -128, 127},
    {94, 3, 1955, -128, 127},
    {95, 3, 1956, -128, 127},
    {96, 3, 1957, -128, 127},
    {5002, 5, 1958, -90, 90},
    {5003, 5, 1959, -90, 90},
    {5004, 5, 1960, -90, 90},
    {5005, 5, 1961, -90, 90},
    {5006, 5, 1962, -90, 90},
    {5007, 5, 1963, -90, 90},
    {5008, 5, 1964, -90, 90},
    {5009, 5, 1965, -90, 90},
    {5010, 5, 1966, -90, 90},
    {5011, 5, 1967, -90, 90},
    {5012, 5, 1968, -90, 90},
    {5013, 5, 1969, -90, 90},
    {5014, 3, 1970, 0, 100},
    {5015, 3, 1971, 0, 100},
    {5016, 3, 1972, 0, 100},
    {5017, 5, 1973, 0, 100},
    {5018, 5, 1974, 0, 100},
    {5019, 5, 1975, 0, 100},
    {97, -1, 1976, -100, 100},
    {98, -1, 1977, 0, 255},
};

}  // namespace

const FormFrame& editor_frame() { return kEditorFrame; }
std::span<const Control> editor_controls() { return kEditorControls; }
const FormFrame& language_list_frame() { return kLanguageListFrame; }
std::span<const Control> language_list_controls() { return kLanguageListControls; }
std::span<const LimitRow> limit_rows() { return kLimitRows; }
std::span<const MenuItem> editor_menu() { return kEditorMenuItems; }
std::span<const ListedLanguage> listed_languages() { return kListedLanguages; }
const WindowLayout& history_window() { return kHistoryWindow; }
const WindowLayout& mod_window() { return kModWindow; }
const WindowLayout& table_window() { return kTableWindow; }

const Control* find_control(std::span<const Control> controls, int id) {
    for (const Control& control : controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

}  // namespace ce
