#include "tests/unit/support/big_hive.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tavrin_test {

namespace {

constexpr int kVendors = 20;
constexpr int kProducts = 100;

int items_per_product(int keys) { return std::max(1, keys / (kVendors * kProducts)); }

void append_values(std::string& text, long written, int v, int p, int i) {
    char line[512];
    const int values = static_cast<int>(written % 7);
    for (int n = 0; n < values; ++n) {
        switch ((written + n) % 8) {
        case 0: std::snprintf(line, sizeof line, "\"A%d Path\"=\"C:\\\\Program Files\\\\Vendor%02d\\\\app%d.exe\"\n", n, v, i); break;
        case 1: std::snprintf(line, sizeof line, "\"B%d Count\"=dword:%08x\n", n, i * 31 + p); break;
        case 2: std::snprintf(line, sizeof line, "\"C%d Data\"=hex:%02x,00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f\n", n, i & 0xff); break;
        case 3: std::snprintf(line, sizeof line, "\"D%d Expand\"=str(2):\"%%SystemRoot%%\\\\system32\\\\lib%d.dll\"\n", n, i); break;
        case 4: std::snprintf(line, sizeof line, "\"E%d List\"=str(7):\"first\\0second %d\\0\"\n", n, i); break;
        case 5: std::snprintf(line, sizeof line, "\"F%d Name\"=\"Gr\\xfc\\x00dfe %d\"\n", n, i); break;
        case 6: std::snprintf(line, sizeof line, "\"G%d Big\"=hex(b):%02x,00,00,00,00,00,00,00\n", n, i & 0xff); break;
        default:
            std::snprintf(line, sizeof line,
                          "\"H%d Blob\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,\\\n"
                          "  55,66,77,88,99,aa,bb,cc,dd,ee,ff,%02x\n", n, i & 0xff);
            break;
        }
        text += line;
    }
}

void append_sections(std::ofstream& out, int keys) {
    std::string text;
    char line[512];
    const int items = items_per_product(keys);
    long written = 0;
    for (int v = 0; v < kVendors; ++v) {
        for (int p = 0; p < kProducts; ++p) {
            for (int i = 0; i < items; ++i, ++written) {
                std::snprintf(line, sizeof line,
                              "\n[Software\\\\Vendor%02d\\\\Product%03d\\\\Item%04d] 1700000000\n#time=1d9%013lx\n", v, p, i,
                              written * 7919);
                text += line;
                append_values(text, written, v, p, i);
                if (text.size() > (1 << 20)) {
                    out << text;
                    text.clear();
                }
            }
        }
    }
    out << text;
}

}  // namespace

void append_big_hive_sections(const std::filesystem::path& file, int keys) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    append_sections(out, keys);
}

void write_big_hive(const std::filesystem::path& file, int keys) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    append_sections(out, keys);
}

std::string big_hive_key(int index, int keys) {
    const int items = items_per_product(keys);
    const int item = index % items;
    const int product = index / items % kProducts;
    const int vendor = index / items / kProducts % kVendors;
    char path[96];
    std::snprintf(path, sizeof path, "Software\\Vendor%02d\\Product%03d\\Item%04d", vendor, product, item);
    return path;
}

}  // namespace tavrin_test
