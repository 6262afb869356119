#include "OpenALDeviceList.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void* openALLibrary = nullptr;

template <typename F> bool resolve(const char* name, F& slot) {
    void* address = dlsym(openALLibrary, name);
    if (!address) {
        std::fprintf(stderr, "Failed to retrieve '%s' function address\n", name);
        return false;
    }
    slot = reinterpret_cast<F>(address);
    return true;
}

constexpr unsigned int maxSources = 256;

} // namespace

bool loadOpenALLibrary(OpenALFunctionTable* table) {
    if (!table)
        return false;
    *table = OpenALFunctionTable{};
    openALLibrary = dlopen("libopenal.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!openALLibrary)
        return false;

    OpenALFunctionTable& t = *table;
    return resolve("alEnable", t.alEnable) && resolve("alDisable", t.alDisable) &&
           resolve("alIsEnabled", t.alIsEnabled) && resolve("alGetBoolean", t.alGetBoolean) &&
           resolve("alGetInteger", t.alGetInteger) && resolve("alGetFloat", t.alGetFloat) &&
           resolve("alGetDouble", t.alGetDouble) && resolve("alGetBooleanv", t.alGetBooleanv) &&
           resolve("alGetIntegerv", t.alGetIntegerv) && resolve("alGetFloatv", t.alGetFloatv) &&
           resolve("alGetDoublev", t.alGetDoublev) && resolve("alGetString", t.alGetString) &&
           resolve("alGetError", t.alGetError) &&
           resolve("alIsExtensionPresent", t.alIsExtensionPresent) &&
           resolve("alGetProcAddress", t.alGetProcAddress) &&
           resolve("alGetEnumValue", t.alGetEnumValue) && resolve("alListeneri", t.alListeneri) &&
           resolve("alListenerf", t.alListenerf) && resolve("alListener3f", t.alListener3f) &&
           resolve("alListenerfv", t.alListenerfv) && resolve("alGetListeneri", t.alGetListeneri) &&
           resolve("alGetListenerf", t.alGetListenerf) &&
           resolve("alGetListener3f", t.alGetListener3f) &&
           resolve("alGetListenerfv", t.alGetListenerfv) &&
           resolve("alGenSources", t.alGenSources) &&
           resolve("alDeleteSources", t.alDeleteSources) && resolve("alIsSource", t.alIsSource) &&
           resolve("alSourcei", t.alSourcei) && resolve("alSourcef", t.alSourcef) &&
           resolve("alSource3f", t.alSource3f) && resolve("alSourcefv", t.alSourcefv) &&
           resolve("alGetSourcei", t.alGetSourcei) && resolve("alGetSourcef", t.alGetSourcef) &&
           resolve("alGetSourcefv", t.alGetSourcefv) && resolve("alSourcePlayv", t.alSourcePlayv) &&
           resolve("alSourceStopv", t.alSourceStopv) && resolve("alSourcePlay", t.alSourcePlay) &&
           resolve("alSourcePause", t.alSourcePause) && resolve("alSourceStop", t.alSourceStop) &&
           resolve("alGenBuffers", t.alGenBuffers) &&
           resolve("alDeleteBuffers", t.alDeleteBuffers) && resolve("alIsBuffer", t.alIsBuffer) &&
           resolve("alBufferData", t.alBufferData) && resolve("alGetBufferi", t.alGetBufferi) &&
           resolve("alGetBufferf", t.alGetBufferf) &&
           resolve("alSourceQueueBuffers", t.alSourceQueueBuffers) &&
           resolve("alSourceUnqueueBuffers", t.alSourceUnqueueBuffers) &&
           resolve("alDistanceModel", t.alDistanceModel) &&
           resolve("alDopplerFactor", t.alDopplerFactor) &&
           resolve("alDopplerVelocity", t.alDopplerVelocity) &&
           resolve("alcGetString", t.alcGetString) && resolve("alcGetIntegerv", t.alcGetIntegerv) &&
           resolve("alcOpenDevice", t.alcOpenDevice) &&
           resolve("alcCloseDevice", t.alcCloseDevice) &&
           resolve("alcCreateContext", t.alcCreateContext) &&
           resolve("alcMakeContextCurrent", t.alcMakeContextCurrent) &&
           resolve("alcProcessContext", t.alcProcessContext) &&
           resolve("alcGetCurrentContext", t.alcGetCurrentContext) &&
           resolve("alcGetContextsDevice", t.alcGetContextsDevice) &&
           resolve("alcSuspendContext", t.alcSuspendContext) &&
           resolve("alcDestroyContext", t.alcDestroyContext) &&
           resolve("alcGetError", t.alcGetError) &&
           resolve("alcIsExtensionPresent", t.alcIsExtensionPresent) &&
           resolve("alcGetProcAddress", t.alcGetProcAddress) &&
           resolve("alcGetEnumValue", t.alcGetEnumValue);
}

void unloadOpenALLibrary() {
    if (openALLibrary) {
        dlclose(openALLibrary);
        openALLibrary = nullptr;
    }
}

OpenALDeviceList::OpenALDeviceList() {
    if (loadOpenALLibrary(&table))
        enumerate();
}

OpenALDeviceList::~OpenALDeviceList() {
    unloadOpenALLibrary();
}

const char* OpenALDeviceList::deviceName(int index) const {
    const OpenALDeviceInfo* info = device(index);
    return info ? info->name.c_str() : nullptr;
}

const OpenALDeviceInfo* OpenALDeviceList::device(int index) const {
    if (index < 0 || index >= deviceCount())
        return nullptr;
    return &devices[static_cast<size_t>(index)];
}

void OpenALDeviceList::enumerate() {
    if (!table.alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT"))
        return;
    const char* names = table.alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    const char* defaultName = table.alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    if (!names || !*names)
        return;

    int position = 0;
    for (const char* name = names; *name; name += std::strlen(name) + 1, ++position) {
        // The position counts every listed name, also those that cannot be opened.
        if (defaultName && std::strcmp(name, defaultName) == 0)
            defaultIndex = position;
        ALCdevice* dev = table.alcOpenDevice(name);
        if (!dev)
            continue;
        ALCcontext* context = table.alcCreateContext(dev, nullptr);
        if (!context) {
            table.alcCloseDevice(dev);
            continue;
        }
        table.alcMakeContextCurrent(context);
        const char* actual = table.alcGetString(dev, ALC_DEVICE_SPECIFIER);
        std::string actualName = actual ? actual : "";
        bool listed = std::any_of(devices.begin(), devices.end(),
                                  [&](const OpenALDeviceInfo& d) { return d.name == actualName; });
        if (!listed && !actualName.empty()) {
            OpenALDeviceInfo info;
            info.name = actualName;
            table.alcGetIntegerv(dev, ALC_MAJOR_VERSION, 1, &info.majorVersion);
            table.alcGetIntegerv(dev, ALC_MINOR_VERSION, 1, &info.minorVersion);
            for (const char* ext : {"ALC_EXT_CAPTURE", "ALC_EXT_EFX"})
                if (table.alcIsExtensionPresent(dev, ext))
                    info.extensions.push_back(ext);
            for (const char* ext :
                 {"AL_EXT_OFFSET", "AL_EXT_LINEAR_DISTANCE", "AL_EXT_EXPONENT_DISTANCE", "EAX2.0",
                  "EAX3.0", "EAX4.0", "EAX5.0", "EAX-RAM"})
                if (table.alIsExtensionPresent(ext))
                    info.extensions.push_back(ext);
            info.sourceCount = countSources();
            devices.push_back(std::move(info));
        }
        table.alcMakeContextCurrent(nullptr);
        table.alcDestroyContext(context);
        table.alcCloseDevice(dev);
    }
    for (OpenALDeviceInfo& info : devices)
        info.selected = true;
}

unsigned int OpenALDeviceList::countSources() {
    ALuint sources[maxSources] = {};
    unsigned int count = 0;
    table.alGetError();
    while (count < maxSources) {
        table.alGenSources(1, &sources[count]);
        if (table.alGetError() != AL_NO_ERROR)
            break;
        ++count;
    }
    table.alDeleteSources(static_cast<ALsizei>(count), sources);
    if (table.alGetError() != AL_NO_ERROR)
        for (ALuint& source : sources)
            table.alDeleteSources(1, &source);
    return count;
}

bool initOpenALDevice() {
    OpenALDeviceList list;
    if (list.deviceCount() == 0)
        return false;

    std::printf("\nSelect OpenAL Device:\n");
    for (int i = 0; i < list.deviceCount(); ++i)
        std::printf("%d. %s%s\n", i + 1, list.deviceName(i),
                    i == list.defaultDeviceIndex() ? "(DEFAULT)" : "");
    std::fflush(stdout);

    bool result = false;
    ALCdevice* dev = alcOpenDevice(list.deviceName(list.deviceCount() - 1));
    if (dev) {
        ALCcontext* context = alcCreateContext(dev, nullptr);
        if (context) {
            const char* name = alcGetString(dev, ALC_DEVICE_SPECIFIER);
            std::printf("\nOpened %s Device\n", name ? name : "");
            std::fflush(stdout);
            alcMakeContextCurrent(context);
            result = true;
        } else {
            alcCloseDevice(dev);
        }
    }
    return result;
}
