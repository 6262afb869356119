#include "MusicThread.h"

#include "CWaves.h"
#include "OpenALDeviceList.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <system_error>

std::atomic<bool> musicStarted{false};
std::atomic<bool> musicPlaying{false};
MusicThreadRecord* musicThreadRecord = new MusicThreadRecord;

namespace {

constexpr std::chrono::milliseconds pollInterval{100};

void print(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void releaseWaveLoader() {
    delete waveLoader;
    waveLoader = nullptr;
}

} // namespace

void playMusic(const char* path) {
    musicStarted = true;
    musicPlaying = true;

    waveLoader = new (std::nothrow) CWaves;
    print("PlayStatic Test Application\n");

    if (!initOpenALDevice()) {
        // musicPlaying stays true: without a device the demo runs until the user ends it.
        print("Failed to initialize OpenAL\n");
        releaseWaveLoader();
        return;
    }

    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    const std::string wavePath = path ? path : "";
    if (!loadWaveIntoBuffer(wavePath.c_str(), buffer)) {
        // The empty buffer stops at once, so the demo ends after the first poll.
        std::printf("Failed to load %s\n", wavePath.c_str());
        std::fflush(stdout);
    }

    ALuint source = 0;
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcePlay(source);
    print("Playing Source ");

    ALint state = AL_PLAYING;
    do {
        std::this_thread::sleep_for(pollInterval);
        print(".");
        alGetSourcei(source, AL_SOURCE_STATE, &state);
    } while (state == AL_PLAYING);

    print("\n");
    alSourceStop(source);
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);

    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);

    releaseWaveLoader();
    musicPlaying = false;
}

int musicThreadMain(std::string path) {
    playMusic(path.c_str());
    return 0;
}

bool StartMusicThread(MusicThreadRecord& record, const char* path) {
    try {
        record.thread = std::thread(musicThreadMain, std::string(path ? path : ""));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool MusicHasEnded() {
    return musicStarted && !musicPlaying;
}

void ReleaseMusicThread(MusicThreadRecord*& record) {
    if (!record)
        return;
    // The process does not wait for the music: the thread runs on until the process ends.
    if (record->thread.joinable())
        record->thread.detach();
    musicPlaying = false;
    musicStarted = false;
    delete record;
    record = nullptr;
}
