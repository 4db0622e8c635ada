// The header the writer produces, the names it accepts, and marker texts absent from the images
// that carry the readers.
#include "SfxLayout.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using sfx::Marker;

TEST(LayoutWriter, OnePayloadHeaderIsTheDocumentedEightyEightBytes) {
    const std::string header = sfx::SfxHeaderBytes({"photos.zip"}, {123456});
    EXPECT_EQ(header, std::string("\r\n-=#NOOFFILES#=-\r\n1\r\n-=#FILNAME#=-\r\nphotos.zip\r\n"
                                  "-=#LOFS#=-\r\n123456\r\n-=#SELFEXTRACT#=-\r\n"));
    EXPECT_EQ(header.size(), 88u);
}

TEST(LayoutWriter, ThreePayloadsKeepTheirOrderAndUtf8Names) {
    EXPECT_EQ(sfx::SfxHeaderBytes({"b.zip", "\xC3\xA9t\xC3\xA9.txt", "a"}, {70000, 4, 0}),
              std::string("\r\n-=#NOOFFILES#=-\r\n3\r\n-=#FILNAME#=-\r\nb.zip\r\n"
                          "\xC3\xA9t\xC3\xA9.txt\r\na\r\n-=#LOFS#=-\r\n70000\r\n4\r\n0\r\n"
                          "-=#SELFEXTRACT#=-\r\n"));
}

TEST(LayoutWriter, RefusesWhatNoReaderCouldTakeBack) {
    EXPECT_THROW(sfx::SfxHeaderBytes({}, {}), std::invalid_argument);
    EXPECT_THROW(sfx::SfxHeaderBytes({"a", "b"}, {1}), std::invalid_argument);
    EXPECT_THROW(sfx::SfxHeaderBytes({"../a.zip"}, {1}), std::invalid_argument);
    EXPECT_THROW(sfx::SfxHeaderBytes({"-=#LOFS#=-"}, {1}), std::invalid_argument);
}

TEST(LayoutWriter, MarkerTextsAreTheSingleByteMarkers) {
    EXPECT_EQ(sfx::MarkerText(Marker::Count), "-=#NOOFFILES#=-");
    EXPECT_EQ(sfx::MarkerText(Marker::Names), "-=#FILNAME#=-");
    EXPECT_EQ(sfx::MarkerText(Marker::Lengths), "-=#LOFS#=-");
    EXPECT_EQ(sfx::MarkerText(Marker::Data), "-=#SELFEXTRACT#=-");
}

TEST(PayloadNames, BareUtf8FileNamesOnly) {
    const std::string refused[] = {"",
                                   ".",
                                   "..",
                                   "a/b",
                                   "/etc/passwd",
                                   "../x.zip",
                                   "a\\b",
                                   "..\\x.zip",
                                   "a\rb",
                                   "a\nb",
                                   std::string("a\0b", 3),
                                   "tab\there",
                                   "del\x7f",
                                   "caf\xE9.zip" /* Latin-1 */,
                                   "\xC0\xAF" /* overlong '/' */,
                                   "\xED\xA0\x80" /* surrogate */,
                                   std::string(256, 'n'),
                                   "-=#NOOFFILES#=-",
                                   "-=#FILNAME#=-",
                                   "-=#LOFS#=-",
                                   "-=#SELFEXTRACT#=-"};
    for (const std::string &name : refused)
        EXPECT_FALSE(sfx::IsValidPayloadName(name)) << ziptest::Quote(name);
    const std::string accepted[] = {"photos.zip",
                                    "caf\xC3\xA9.zip",
                                    "...",
                                    "a..b",
                                    ".cache",
                                    "espace et  blancs ",
                                    std::string(255, 'n'),
                                    "-=#LOFS#=- ",
                                    "\xF0\x9F\x93\xA6.zip"};
    for (const std::string &name : accepted)
        EXPECT_TRUE(sfx::IsValidPayloadName(name)) << name;
}

// The readers are linked into the stub, which reads its own file: a marker stored there as
// single-byte text could be found before the real header. The libraries and a program built on
// them are checked; the stub gets the same check when it is built.
TEST(MarkerTexts, NeverStoredAsSingleByteTextInTheImages) {
    const std::u16string markers[] = {u"-=#NOOFFILES#=-", u"-=#FILNAME#=-", u"-=#LOFS#=-",
                                      u"-=#SELFEXTRACT#=-"};
    for (const char *image : {MIVO_SFX_BIN, MIVO_SFX_LAYOUT_LIB, MIVO_SFX_BUILDER_LIB, MIVO_STUB_BIN,
                              MIVO_STUB_DAT}) {
        const std::string bytes = ziptest::ReadFile(image);
        ASSERT_GT(bytes.size(), 1000u) << image;
        for (const std::u16string &wide : markers) {
            const std::string narrow(wide.begin(), wide.end());
            EXPECT_EQ(bytes.find(narrow), std::string::npos) << image << " holds " << narrow;
            // The 16-bit form is there, which shows the scan reads the right kind of file.
            const std::string asBytes(reinterpret_cast<const char *>(wide.data()), wide.size() * 2);
            if (image != std::string(MIVO_SFX_BUILDER_LIB)) {
                EXPECT_NE(bytes.find(asBytes), std::string::npos) << image;
            }
        }
    }
}

} // namespace
