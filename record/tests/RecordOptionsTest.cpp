#include "RecordOptions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

CommandLine parse(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv = {"brastel"};
    argv.insert(argv.end(), arguments);
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(RecordOptions, ReadsTheRecordingFlagsInEitherSpelling) {
    CommandLine line = parse({});
    EXPECT_TRUE(line.error.empty());
    EXPECT_TRUE(line.record.file.empty()); // no arguments: the live show

    line = parse({"--record", "show.MKV"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.record.file, "show.MKV");
    EXPECT_EQ(line.record.framesPerSecond, 60);
    EXPECT_EQ(line.record.width, 1280);
    EXPECT_EQ(line.record.height, 720);

    line = parse({"--size=7680x4320", "--fps", "24", "--record=out/show.mp4"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.record.file, "out/show.mp4");
    EXPECT_EQ(line.record.framesPerSecond, 24);
    EXPECT_EQ(line.record.width, 7680);
    EXPECT_EQ(line.record.height, 4320);
    EXPECT_FALSE(line.record.lossless);
    EXPECT_TRUE(parse({"--lossless", "--record", "show.mkv"}).record.lossless);

    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(RecordOptions, ReadsTheBenchmarkAndCompareFlags) {
    CommandLine line = parse({"--benchmark"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_TRUE(line.benchmark.run);
    EXPECT_EQ(line.benchmark.width, 1280);
    EXPECT_EQ(line.benchmark.scene, 0); // the whole show
    EXPECT_EQ(line.benchmark.frames, 0);
    EXPECT_TRUE(line.record.file.empty());

    line = parse({"--offscreen", "--seconds=3", "--size", "95x63", "--scene", "2", "--benchmark",
                  "--report", "r.json", "--plot=p.svg"});
    ASSERT_TRUE(line.error.empty()) << line.error; // odd sizes are for the benchmark only
    EXPECT_TRUE(line.benchmark.offscreen);
    EXPECT_EQ(line.benchmark.frames, 180);
    EXPECT_EQ(line.benchmark.width, 95);
    EXPECT_EQ(line.benchmark.height, 63);
    EXPECT_EQ(line.benchmark.scene, 2);
    EXPECT_EQ(line.benchmark.report, "r.json");
    EXPECT_EQ(line.benchmark.plot, "p.svg");

    line = parse({"--compare=a.json", "b.json"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.compareA, "a.json");
    EXPECT_EQ(line.compareB, "b.json");
    EXPECT_FALSE(line.benchmark.run);
}

TEST(RecordOptions, RefusesNonsenseWithAMessageThatNamesIt) {
    const struct {
        std::initializer_list<const char*> arguments;
        const char* message;
    } cases[] = {
        {{"--recrod", "a.mp4"}, "unknown argument '--recrod'"},
        {{"show.mp4"}, "unknown argument 'show.mp4'"},
        {{"--record"}, "--record needs a value"},
        {{"--record="}, "--record needs a file name"},
        {{"--record", "show.avi"}, "must be an .mp4 or .mkv file"},
        {{"--record", "a.mp4", "--record", "b.mp4"}, "--record is given twice"},
        {{"--fps", "30"}, "--fps is for recording"},
        {{"--size", "640x360"}, "--size is for recording"},
        {{"--benchmark", "--fps", "30"}, "--fps is for recording"},
        {{"--benchmark", "--record", "a.mp4"}, "each stand alone"},
        {{"--compare", "a.json", "b.json", "--benchmark"}, "each stand alone"},
        {{"--compare", "a.json"}, "--compare needs two files"},
        {{"--scene", "2"}, "--scene is for the benchmark: add --benchmark"},
        {{"--offscreen"}, "--offscreen is for the benchmark"},
        {{"--benchmark=yes"}, "--benchmark takes no value"},
        {{"--benchmark", "--scene", "3"}, "--scene must be 1, 2 or all"},
        {{"--benchmark", "--frames", "0"}, "--frames must be a whole number from 1 to 216000"},
        {{"--benchmark", "--frames", "216001"}, "--frames must be"},
        {{"--benchmark", "--seconds", "3601"}, "--seconds must be a whole number from 1 to 3600"},
        {{"--benchmark", "--frames", "5", "--seconds", "5"}, "--frames or --seconds, not both"},
        {{"--benchmark", "--report="}, "--report needs a file name"},
        {{"--benchmark", "--size", "8x8"}, "--size must lie between"},
        {{"--record", "a.mp4", "--fps", "0"}, "--fps must be a whole number from 1 to 240"},
        {{"--record", "a.mp4", "--fps", "241"}, "--fps must be"},
        {{"--record", "a.mp4", "--fps", "-30"}, "--fps must be"},
        {{"--record", "a.mp4", "--fps", "29.97"}, "--fps must be"},
        {{"--record", "a.mp4", "--fps", "99999999999999999999"}, "--fps must be"},
        {{"--record", "a.mp4", "--fps", ""}, "--fps must be"},
        {{"--record", "a.mp4", "--size", "1280"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "1280x"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "x720"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "-1280x720"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "1280x720x3"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", " 1280x720"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "0x0"}, "--size must lie between 16x16 and 7680x4320"},
        {{"--record", "a.mp4", "--size", "8000x720"}, "--size must lie between"},
        {{"--record", "a.mp4", "--size", "1280x4322"}, "--size must lie between"},
        {{"--record", "a.mp4", "--size", "99999999x99999999"}, "--size must be WIDTHxHEIGHT"},
        {{"--record", "a.mp4", "--size", "1279x720"}, "even width and height"},
        {{"--help=yes"}, "--help takes no value"},
        {{"--lossless"}, "--lossless is for recording"},
        {{"--record", "a.mp4", "--lossless"}, "--lossless records into an .mkv file"},
        {{"--record", "a.mkv", "--lossless=yes"}, "--lossless takes no value"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.arguments);
        std::string shown;
        for (const char* argument : c.arguments)
            shown += std::string(argument) + " ";
        EXPECT_NE(line.error.find(c.message), std::string::npos)
            << shown << "-> '" << line.error << "'";
        // Nothing half-read is acted on.
        EXPECT_TRUE(line.record.file.empty() && !line.benchmark.run && line.compareA.empty())
            << shown;
    }
}
