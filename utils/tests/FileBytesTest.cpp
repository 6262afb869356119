#include "FileBytes.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// Mapped or read, a file gives the same bytes; what cannot be mapped (empty, a folder, missing)
// falls back to the plain read and its result. Pages let go stay readable.
TEST(FileBytes, MapsOrReadsTheSameBytes) {
    const ScratchFolder folder;
    const auto& dir = folder.path;
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += "line " + std::to_string(i) + "\n";
    std::ofstream(dir / "big.txt", std::ios::binary) << text;
    std::ofstream(dir / "empty.txt");

    FileBytes mapped, read;
    ASSERT_EQ(mapped.mapFile((dir / "big.txt").string()), FileBytes::Ok);
    ASSERT_EQ(read.readFile((dir / "big.txt").string()), FileBytes::Ok);
    EXPECT_EQ(mapped.text(), text);
    mapped.releaseBefore(text.size() / 2);
    mapped.releaseBefore(text.size());
    EXPECT_EQ(mapped.text(), read.text());

    EXPECT_EQ(mapped.mapFile((dir / "empty.txt").string()), FileBytes::Ok);
    EXPECT_EQ(mapped.size(), 0u);
    EXPECT_EQ(mapped.mapFile(dir.string()), FileBytes::ReadFailed);
    EXPECT_EQ(mapped.mapFile((dir / "missing.txt").string()), FileBytes::OpenFailed);
    std::string kept = "kept";
    EXPECT_FALSE(ReadTextFile((dir / "missing.txt").string(), kept));
    EXPECT_TRUE(ReadTextFile((dir / "big.txt").string(), kept));
    EXPECT_EQ(kept, text);
}
