#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <string>
#include <vector>

// OpenAL entry points resolved at run time from the OpenAL runtime library, in load order.
struct OpenALFunctionTable {
    LPALENABLE alEnable = nullptr;
    LPALDISABLE alDisable = nullptr;
    LPALISENABLED alIsEnabled = nullptr;
    LPALGETBOOLEAN alGetBoolean = nullptr;
    LPALGETINTEGER alGetInteger = nullptr;
    LPALGETFLOAT alGetFloat = nullptr;
    LPALGETDOUBLE alGetDouble = nullptr;
    LPALGETBOOLEANV alGetBooleanv = nullptr;
    LPALGETINTEGERV alGetIntegerv = nullptr;
    LPALGETFLOATV alGetFloatv = nullptr;
    LPALGETDOUBLEV alGetDoublev = nullptr;
    LPALGETSTRING alGetString = nullptr;
    LPALGETERROR alGetError = nullptr;
    LPALISEXTENSIONPRESENT alIsExtensionPresent = nullptr;
    LPALGETPROCADDRESS alGetProcAddress = nullptr;
    LPALGETENUMVALUE alGetEnumValue = nullptr;
    LPALLISTENERI alListeneri = nullptr;
    LPALLISTENERF alListenerf = nullptr;
    LPALLISTENER3F alListener3f = nullptr;
    LPALLISTENERFV alListenerfv = nullptr;
    LPALGETLISTENERI alGetListeneri = nullptr;
    LPALGETLISTENERF alGetListenerf = nullptr;
    LPALGETLISTENER3F alGetListener3f = nullptr;
    LPALGETLISTENERFV alGetListenerfv = nullptr;
    LPALGENSOURCES alGenSources = nullptr;
    LPALDELETESOURCES alDeleteSources = nullptr;
    LPALISSOURCE alIsSource = nullptr;
    LPALSOURCEI alSourcei = nullptr;
    LPALSOURCEF alSourcef = nullptr;
    LPALSOURCE3F alSource3f = nullptr;
    LPALSOURCEFV alSourcefv = nullptr;
    LPALGETSOURCEI alGetSourcei = nullptr;
    LPALGETSOURCEF alGetSourcef = nullptr;
    LPALGETSOURCEFV alGetSourcefv = nullptr;
    LPALSOURCEPLAYV alSourcePlayv = nullptr;
    LPALSOURCESTOPV alSourceStopv = nullptr;
    LPALSOURCEPLAY alSourcePlay = nullptr;
    LPALSOURCEPAUSE alSourcePause = nullptr;
    LPALSOURCESTOP alSourceStop = nullptr;
    LPALGENBUFFERS alGenBuffers = nullptr;
    LPALDELETEBUFFERS alDeleteBuffers = nullptr;
    LPALISBUFFER alIsBuffer = nullptr;
    LPALBUFFERDATA alBufferData = nullptr;
    LPALGETBUFFERI alGetBufferi = nullptr;
    LPALGETBUFFERF alGetBufferf = nullptr;
    LPALSOURCEQUEUEBUFFERS alSourceQueueBuffers = nullptr;
    LPALSOURCEUNQUEUEBUFFERS alSourceUnqueueBuffers = nullptr;
    LPALDISTANCEMODEL alDistanceModel = nullptr;
    LPALDOPPLERFACTOR alDopplerFactor = nullptr;
    LPALDOPPLERVELOCITY alDopplerVelocity = nullptr;
    LPALCGETSTRING alcGetString = nullptr;
    LPALCGETINTEGERV alcGetIntegerv = nullptr;
    LPALCOPENDEVICE alcOpenDevice = nullptr;
    LPALCCLOSEDEVICE alcCloseDevice = nullptr;
    LPALCCREATECONTEXT alcCreateContext = nullptr;
    LPALCMAKECONTEXTCURRENT alcMakeContextCurrent = nullptr;
    LPALCPROCESSCONTEXT alcProcessContext = nullptr;
    LPALCGETCURRENTCONTEXT alcGetCurrentContext = nullptr;
    LPALCGETCONTEXTSDEVICE alcGetContextsDevice = nullptr;
    LPALCSUSPENDCONTEXT alcSuspendContext = nullptr;
    LPALCDESTROYCONTEXT alcDestroyContext = nullptr;
    LPALCGETERROR alcGetError = nullptr;
    LPALCISEXTENSIONPRESENT alcIsExtensionPresent = nullptr;
    LPALCGETPROCADDRESS alcGetProcAddress = nullptr;
    LPALCGETENUMVALUE alcGetEnumValue = nullptr;
};

// Loads "libopenal.so.1" and resolves every entry of the table. On a missing entry point the
// table keeps what resolved so far and the library stays loaded.
bool loadOpenALLibrary(OpenALFunctionTable* table);
// Unloads the runtime library if it is loaded.
void unloadOpenALLibrary();

struct OpenALDeviceInfo {
    std::string name;
    int majorVersion = 0;
    int minorVersion = 0;
    unsigned int sourceCount = 0;
    std::vector<std::string> extensions;
    bool selected = false;
};

// The output devices that can be opened and given a context, with their capabilities.
class OpenALDeviceList {
  public:
    // Loads the runtime library and enumerates through it.
    OpenALDeviceList();
    ~OpenALDeviceList();
    OpenALDeviceList(const OpenALDeviceList&) = delete;
    OpenALDeviceList& operator=(const OpenALDeviceList&) = delete;

    int deviceCount() const { return static_cast<int>(devices.size()); }
    // nullptr when index is not a listed device.
    const char* deviceName(int index) const;
    const OpenALDeviceInfo* device(int index) const;
    int defaultDeviceIndex() const { return defaultIndex; }

  private:
    void enumerate();
    unsigned int countSources();

    OpenALFunctionTable table;
    std::vector<OpenALDeviceInfo> devices;
    int defaultIndex = 0;
};

// Lists the devices, opens the last one and makes a context on it current on this thread.
bool initOpenALDevice();
