#include "FuzzHarness.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Every input a fuzz target once found a fault with (tests/data/fuzz/<target>/), through the
// target's own harness: a fault that comes back aborts the test.

namespace fs = std::filesystem;

namespace {

struct FoundInput {
    std::string target;
    fs::path path;
};

std::vector<FoundInput> FoundInputs() {
    std::vector<FoundInput> inputs;
    for (const char* target : {"picture_loading", "stored_text_list"}) {
        const fs::path folder = fs::path(TAPESTREL_FUZZ_DATA) / target;
        if (!fs::is_directory(folder)) continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) inputs.push_back({target, entry.path()});
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const FoundInput& a, const FoundInput& b) { return a.path < b.path; });
    return inputs;
}

void PrintTo(const FoundInput& input, std::ostream* out) {
    *out << input.path.filename();
}

class FuzzReplayTest : public ::testing::TestWithParam<FoundInput> {
protected:
    // One home for all inputs: the harness keeps its scratch directory for the whole process.
    static void SetUpTestSuite() { box = std::make_unique<SandBox>(); }
    static void TearDownTestSuite() { box.reset(); }

    static inline std::unique_ptr<SandBox> box;
    ScopedMessageBoxes boxes;
};

// As long as the fuzz targets give one input before they call it a hang.
constexpr auto kHang = std::chrono::seconds(2);

TEST_P(FuzzReplayTest, InputRunsThroughItsHarness) {
    const std::string bytes = ReadWholeFile(GetParam().path);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const auto start = std::chrono::steady_clock::now();
    if (GetParam().target == "picture_loading")
        FuzzPictureLoading(data, bytes.size());
    else
        FuzzStoredTextList(data, bytes.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHang);
}

INSTANTIATE_TEST_SUITE_P(Found, FuzzReplayTest, ::testing::ValuesIn(FoundInputs()),
                         [](const ::testing::TestParamInfo<FoundInput>& each) {
                             std::string name =
                                 each.param.target + "_" + each.param.path.filename().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace

// The options' readers fill widgets: an application object, on the offscreen platform.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
