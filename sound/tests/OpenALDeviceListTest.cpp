#include "OpenALDeviceList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

// A stand-in driver: devices are small integers behind fake handles.
namespace {

struct FakeDriver {
    std::string names; // NUL-separated, ends with an empty name
    const char* defaultName = nullptr;
    bool enumeration = true;
    std::set<std::string> unopenable, contextless;
    unsigned int sourceLimit = 300;
    bool deleteAllFails = false;
    std::set<std::string> deviceExtensions, contextExtensions;

    // Bookkeeping of what the list did.
    int opened = 0, closed = 0, contexts = 0, destroyed = 0, deleteCalls = 0;
    unsigned int liveSources = 0;
    ALenum error = AL_NO_ERROR;
    std::string current;
} driver;

// The handle of an opened device points at its name, kept alive in this set.
std::set<std::string> openNames;

ALCdevice* handle(const std::string& name) {
    return reinterpret_cast<ALCdevice*>(const_cast<std::string*>(&*openNames.insert(name).first));
}
const std::string& nameOf(ALCdevice* device) {
    return *reinterpret_cast<std::string*>(device);
}

ALCboolean fakeIsExtensionPresent(ALCdevice* device, const ALCchar* name) {
    if (!device)
        return driver.enumeration && std::strcmp(name, "ALC_ENUMERATION_EXT") == 0;
    return driver.deviceExtensions.count(name) ? ALC_TRUE : ALC_FALSE;
}
const ALCchar* fakeGetString(ALCdevice* device, ALCenum param) {
    if (device)
        return nameOf(device).c_str();
    return param == ALC_DEVICE_SPECIFIER ? driver.names.c_str() : driver.defaultName;
}
ALCdevice* fakeOpenDevice(const ALCchar* name) {
    if (driver.unopenable.count(name))
        return nullptr;
    ++driver.opened;
    return handle(name);
}
ALCboolean fakeCloseDevice(ALCdevice*) {
    ++driver.closed;
    return ALC_TRUE;
}
ALCcontext* fakeCreateContext(ALCdevice* device, const ALCint*) {
    if (driver.contextless.count(nameOf(device)))
        return nullptr;
    ++driver.contexts;
    return reinterpret_cast<ALCcontext*>(device);
}
ALCboolean fakeMakeContextCurrent(ALCcontext* context) {
    driver.current = context ? nameOf(reinterpret_cast<ALCdevice*>(context)) : "";
    return ALC_TRUE;
}
void fakeDestroyContext(ALCcontext*) {
    ++driver.destroyed;
}
void fakeGetIntegerv(ALCdevice*, ALCenum, ALCsizei, ALCint* value) {
    *value = 1;
}
ALboolean fakeAlIsExtensionPresent(const ALchar* name) {
    return driver.contextExtensions.count(name) ? AL_TRUE : AL_FALSE;
}
ALenum fakeGetError() {
    ALenum e = driver.error;
    driver.error = AL_NO_ERROR;
    return e;
}
void fakeGenSources(ALsizei n, ALuint* sources) {
    if (driver.liveSources + static_cast<unsigned>(n) > driver.sourceLimit) {
        driver.error = AL_OUT_OF_MEMORY;
        return;
    }
    for (ALsizei i = 0; i < n; ++i)
        sources[i] = 1000 + driver.liveSources++;
}
void fakeDeleteSources(ALsizei n, const ALuint*) {
    ++driver.deleteCalls;
    if (n != 1 && driver.deleteAllFails) {
        driver.error = AL_INVALID_NAME;
        return;
    }
    driver.liveSources -= std::min(driver.liveSources, static_cast<unsigned>(n));
}

OpenALFunctionTable fakeTable() {
    OpenALFunctionTable t;
    t.alcIsExtensionPresent = fakeIsExtensionPresent;
    t.alcGetString = fakeGetString;
    t.alcOpenDevice = fakeOpenDevice;
    t.alcCloseDevice = fakeCloseDevice;
    t.alcCreateContext = fakeCreateContext;
    t.alcMakeContextCurrent = fakeMakeContextCurrent;
    t.alcDestroyContext = fakeDestroyContext;
    t.alcGetIntegerv = fakeGetIntegerv;
    t.alIsExtensionPresent = fakeAlIsExtensionPresent;
    t.alGetError = fakeGetError;
    t.alGenSources = fakeGenSources;
    t.alDeleteSources = fakeDeleteSources;
    return t;
}

void resetDriver(const std::string& names, const char* defaultName) {
    driver = FakeDriver{};
    driver.names = names;
    driver.names.push_back('\0');
    driver.defaultName = defaultName;
}

} // namespace

TEST(OpenALDeviceList, EnumeratesOpenableDevicesOnceWithTheirDefaultPosition) {
    // "Gone" cannot be opened and "Mute" gets no context, yet both advance the position
    // that picks the default; "A" is listed twice.
    resetDriver(std::string("A\0Gone\0Mute\0A\0B\0C", 18), "B");
    driver.unopenable = {"Gone"};
    driver.contextless = {"Mute"};
    driver.deviceExtensions = {"ALC_EXT_EFX", "ALC_EXT_CAPTURE"};
    driver.contextExtensions = {"EAX-RAM", "AL_EXT_OFFSET"};
    {
        OpenALDeviceList list(fakeTable());
        ASSERT_EQ(list.deviceCount(), 3);
        EXPECT_STREQ(list.deviceName(0), "A");
        EXPECT_STREQ(list.deviceName(1), "B");
        EXPECT_STREQ(list.deviceName(2), "C");
        EXPECT_EQ(list.deviceName(3), nullptr);
        EXPECT_EQ(list.deviceName(-1), nullptr);
        EXPECT_EQ(list.defaultDeviceIndex(), 4);
        for (int i = 0; i < 3; ++i) {
            const OpenALDeviceInfo* info = list.device(i);
            EXPECT_TRUE(info->selected);
            EXPECT_EQ(info->sourceCount, 256u) << "capped although 300 could be made";
            EXPECT_EQ(info->extensions, (std::vector<std::string>{"ALC_EXT_CAPTURE", "ALC_EXT_EFX",
                                                                  "AL_EXT_OFFSET", "EAX-RAM"}));
        }
    }
    // Every opened device is closed again, every context destroyed, no context left current.
    EXPECT_EQ(driver.opened, 5);
    EXPECT_EQ(driver.closed, 5);
    EXPECT_EQ(driver.destroyed, driver.contexts);
    EXPECT_EQ(driver.current, "");
    EXPECT_EQ(driver.liveSources, 0u);
}

TEST(OpenALDeviceList, CountsSourcesUpToTheDriverLimit) {
    for (unsigned int limit : {0u, 1u, 17u, 255u, 256u, 257u}) {
        SCOPED_TRACE(limit);
        resetDriver("Only", "Only");
        driver.sourceLimit = limit;
        OpenALDeviceList list(fakeTable());
        ASSERT_EQ(list.deviceCount(), 1);
        EXPECT_EQ(list.device(0)->sourceCount, std::min(limit, 256u));
        EXPECT_EQ(driver.liveSources, 0u);
        EXPECT_EQ(driver.deleteCalls, 1);
    }
    // When deleting them together fails, every slot is deleted on its own.
    resetDriver("Only", "Only");
    driver.sourceLimit = 10;
    driver.deleteAllFails = true;
    OpenALDeviceList list(fakeTable());
    EXPECT_EQ(list.device(0)->sourceCount, 10u);
    EXPECT_EQ(driver.deleteCalls, 1 + 256);
}

TEST(OpenALDeviceList, IsEmptyWithoutEnumerationOrDevices) {
    resetDriver("A", "A");
    driver.enumeration = false;
    EXPECT_EQ(OpenALDeviceList(fakeTable()).deviceCount(), 0);
    EXPECT_EQ(driver.opened, 0);

    resetDriver("", nullptr);
    EXPECT_EQ(OpenALDeviceList(fakeTable()).deviceCount(), 0);

    resetDriver(std::string("X\0Y", 3), nullptr); // no default name: index stays 0
    driver.unopenable = {"X", "Y"};
    OpenALDeviceList list(fakeTable());
    EXPECT_EQ(list.deviceCount(), 0);
    EXPECT_EQ(list.defaultDeviceIndex(), 0);
}

TEST(OpenALDeviceList, RuntimeLibraryResolvesEveryEntryPoint) {
    EXPECT_FALSE(loadOpenALLibrary(nullptr));
    OpenALFunctionTable table;
    ASSERT_TRUE(loadOpenALLibrary(&table));
    EXPECT_NE(table.alEnable, nullptr);
    EXPECT_NE(table.alcGetEnumValue, nullptr);
    unloadOpenALLibrary();
}
