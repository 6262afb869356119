#include "Configuration.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using Utils::Configuration;

namespace {

Configuration parse(const std::string& text) {
    return Configuration(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

} // namespace

TEST(Configuration, SplitsAtTheFirstEqualsAndTrimsBlanksOrTabs) {
    const Configuration conf = parse("window.width = 800\n"
                                     "a=b=c\n"
                                     "=empty key\n"
                                     "no.value =\n"
                                     "\twindow.height =600\n"
                                     " \tmixed.run = x\n"
                                     "value.mixed = \t42\n"
                                     "# comment without equals\n"
                                     "# comment = read anyway\n"
                                     "dup = 1\r\n"
                                     "dup = 2\r\n"
                                     "last.line = kept");
    const auto& p = conf.getProperties();
    EXPECT_EQ(p.at("window.width"), "800");
    EXPECT_EQ(p.at("a"), "b=c");
    EXPECT_EQ(p.at(""), "empty key");
    EXPECT_EQ(p.at("no.value"), "");
    EXPECT_EQ(p.at("window.height"), "600");
    EXPECT_EQ(p.at("\tmixed.run"), "x"); // a mixed run of blank and tab is only partly removed
    EXPECT_EQ(p.at("value.mixed"), "\t42");
    EXPECT_EQ(p.at("# comment"), "read anyway");
    EXPECT_EQ(p.at("dup"), "2");
    EXPECT_EQ(p.at("last.line"), "kept");
    EXPECT_EQ(p.size(), 10u);
    // A string of only one kind of blank stays as it is.
    EXPECT_EQ(Configuration::trim("   "), "   ");
    EXPECT_EQ(Configuration::trim("\t\t"), "\t\t");
}

TEST(Configuration, AnOverlongLineIsCutAndTheLinesAfterItAreStillRead) {
    const std::string longValue(1500, 'v');
    const Configuration conf = parse("before = 1\nlong = " + longValue + "\nafter = 2\n");
    const auto& p = conf.getProperties();
    EXPECT_EQ(p.at("before"), "1");
    // Cut, not dropped: the value read is the start of the one written.
    EXPECT_GT(p.at("long").size(), 500u);
    EXPECT_LT(p.at("long").size(), longValue.size());
    EXPECT_EQ(longValue.compare(0, p.at("long").size(), p.at("long")), 0);
    EXPECT_EQ(p.at("after"), "2");
}

TEST(Configuration, MissingOrEmptyFilesAndMissingKeysAreReported) {
    CaptureStdout();
    const Configuration missing("/nonexistent/brastel.conf");
    EXPECT_EQ(GetCapturedStdout(),
              "ERROR: cannot open configuration file /nonexistent/brastel.conf.\n");
    EXPECT_TRUE(missing.getProperties().empty());

    const ScratchFolder folder;
    const std::string empty = folder.write("empty.conf", "");
    CaptureStdout();
    const Configuration none(empty);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Empty file " + empty + ".\n");
    EXPECT_TRUE(none.getProperties().empty());

    CaptureStdout();
    const Configuration folderAsFile(folder.path.string());
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Bad file " + folder.path.string() + ".\n");
    EXPECT_TRUE(folderAsFile.getProperties().empty());

    CaptureStdout();
    EXPECT_EQ(none.GetValue("window.width"), "");
    EXPECT_EQ(GetCapturedStdout(),
              "Configuration::GetValue(): Cannot find the property window.width\n");
}

TEST(Configuration, ConversionsTakeTheLongestNumericPrefixAndExactTrue) {
    EXPECT_EQ(Configuration::toInt("800px"), 800);
    EXPECT_EQ(Configuration::toInt("word"), 0);
    EXPECT_FLOAT_EQ(Configuration::toFloat("1.5e1"), 15.0f);
    EXPECT_DOUBLE_EQ(Configuration::toDouble("2.5 seconds"), 2.5);
    EXPECT_TRUE(Configuration::toBool("true"));
    EXPECT_FALSE(Configuration::toBool("True"));
    EXPECT_FALSE(Configuration::toBool("1"));
}
