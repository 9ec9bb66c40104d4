// Consistency checks for the export catalog (catalog/ruxi_exports.tsv), the
// list from which prototypes, forwarders and the export audit are derived.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifndef RUX_CATALOG_PATH
#error "RUX_CATALOG_PATH must name catalog/ruxi_exports.tsv"
#endif

namespace {

struct Row {
    std::string name, family, folder;
};

std::vector<Row> LoadCatalog(std::string* header) {
    std::ifstream in(RUX_CATALOG_PATH);
    std::vector<Row> rows;
    std::string line;
    if (!std::getline(in, *header)) return rows;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Row r;
        std::string extra;
        std::getline(fields, r.name, '\t');
        std::getline(fields, r.family, '\t');
        std::getline(fields, r.folder, '\t');
        EXPECT_FALSE(std::getline(fields, extra)) << "more than 3 fields: " << line;
        rows.push_back(r);
    }
    return rows;
}

// Sample-type tokens, longest first so that "16sc16s" splits as 16sc + 16s.
constexpr std::array<std::string_view, 15> kTypes = {
    "16sc", "16uc", "32sc", "32fc", "16u", "16s", "24u", "32u",
    "32s",  "32f",  "64s",  "64f",  "1u",  "8u",  "8s"};

// Splits `seg` into type tokens; empty unless the whole segment is types.
std::vector<std::string_view> SplitTypes(std::string_view seg) {
    std::vector<std::string_view> out;
    while (!seg.empty()) {
        bool hit = false;
        for (std::string_view t : kTypes) {
            if (seg.substr(0, t.size()) == t) {
                out.push_back(t);
                seg.remove_prefix(t.size());
                hit = true;
                break;
            }
        }
        if (!hit) return {};
    }
    return out;
}

// The descriptor is the first '_'-separated segment after the operation name
// that consists only of type tokens (so Filter32f, Moments64f or _Round16s
// are not descriptors).
std::vector<std::string_view> DescriptorTypes(std::string_view name) {
    for (size_t pos = name.find('_'); pos != std::string_view::npos;) {
        const size_t next = name.find('_', pos + 1);
        const size_t len = next == std::string_view::npos ? next : next - pos - 1;
        if (auto types = SplitTypes(name.substr(pos + 1, len)); !types.empty()) return types;
        pos = next;
    }
    return {};
}

TEST(Catalog, DescriptorParsing) {
    EXPECT_EQ(DescriptorTypes("ruxiAdd_8u_C1RSfs").size(), 1u);
    EXPECT_EQ(DescriptorTypes("ruxiMagnitude_16sc16s_C1RSfs"),
              (std::vector<std::string_view>{"16sc", "16s"}));
    EXPECT_EQ(DescriptorTypes("ruxiPackToCplxExtend_32f32fc_C1R"),
              (std::vector<std::string_view>{"32f", "32fc"}));
    EXPECT_EQ(DescriptorTypes("ruxiFilter_Round16s_8u_C1R"),
              (std::vector<std::string_view>{"8u"}));
    EXPECT_TRUE(DescriptorTypes("ruxiGetAffineQuad").empty());
    EXPECT_TRUE(DescriptorTypes("ruxiWTFwdGetBufSize_C1R").empty());
}

TEST(Catalog, RowsAreWellFormed) {
    std::string header;
    const auto rows = LoadCatalog(&header);
    EXPECT_EQ(header, "name\tfamily\tfolder");
    ASSERT_EQ(rows.size(), 3597u);
    const std::set<std::string> folders = {"core",   "exchange", "arith",    "threshold", "stats",
                                           "filter", "morph",    "geometry", "transform", "proximity"};
    std::map<std::string, std::string> familyFolder;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(r.name.rfind("ruxi", 0), 0u) << r.name;
        EXPECT_FALSE(r.family.empty()) << r.name;
        EXPECT_TRUE(folders.count(r.folder)) << r.name << " folder '" << r.folder << "'";
        auto it = familyFolder.emplace(r.family, r.folder).first;
        EXPECT_EQ(it->second, r.folder) << "family " << r.family << " split across folders";
        if (i > 0) {
            EXPECT_LT(rows[i - 1].name, r.name) << "unsorted or duplicate";
        }
    }
}

TEST(Catalog, TypeOccurrences) {
    std::string header;
    const auto rows = LoadCatalog(&header);
    std::map<std::string_view, int> got;
    for (const Row& r : rows)
        for (std::string_view t : DescriptorTypes(r.name)) ++got[t];
    const std::map<std::string_view, int> want = {
        {"8u", 952}, {"32f", 939}, {"16u", 774}, {"16s", 605}, {"32s", 230},
        {"8s", 99},  {"64f", 93},  {"32fc", 79}, {"32sc", 62}, {"16sc", 56},
        {"32u", 21}, {"64s", 9},   {"16uc", 4},  {"24u", 2},   {"1u", 1}};
    EXPECT_EQ(got, want);
}

}  // namespace
