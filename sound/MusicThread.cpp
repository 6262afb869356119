#include "MusicThread.h"

#include "CWaves.h"
#include "OpenALDeviceList.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
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

// The stop request from the main thread and the thread's end, under one lock.
struct ThreadControl {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopRequested = false;
    bool finished = false;
} control;

bool stopRequested() {
    std::lock_guard<std::mutex> lock(control.mutex);
    return control.stopRequested;
}

// Sleeps for `interval`, or less when a stop is requested; true when it was.
bool waitForStop(std::chrono::milliseconds interval) {
    std::unique_lock<std::mutex> lock(control.mutex);
    return control.changed.wait_for(lock, interval, [] { return control.stopRequested; });
}

void releaseWaveLoader() {
    delete waveLoader;
    waveLoader = nullptr;
}

void playUntilEndOrStop(const char* path) {
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
        if (waitForStop(pollInterval))
            break;
        print(".");
        alGetSourcei(source, AL_SOURCE_STATE, &state);
    } while (state == AL_PLAYING);

    print("\n");
    alSourceStop(source);
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
}

void closeOpenALDevice() {
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

} // namespace

void playMusic(const char* path) {
    // Playing before started: a frame that sees the music started must also see it playing, or
    // it would take it for ended.
    musicPlaying = true;
    musicStarted = true;

    waveLoader = new (std::nothrow) CWaves;
    print("PlayStatic Test Application\n");

    if (stopRequested()) {
        releaseWaveLoader();
        return;
    }
    if (!initOpenALDevice()) {
        // musicPlaying stays true: without a device the demo runs until the user ends it.
        print("Failed to initialize OpenAL\n");
        releaseWaveLoader();
        return;
    }
    if (!stopRequested())
        playUntilEndOrStop(path);
    closeOpenALDevice();

    releaseWaveLoader();
    musicPlaying = false;
}

int musicThreadMain(std::string path) {
    playMusic(path.c_str());
    std::lock_guard<std::mutex> lock(control.mutex);
    control.finished = true;
    control.changed.notify_all();
    return 0;
}

bool StartMusicThread(MusicThreadRecord& record, const char* path) {
    {
        std::lock_guard<std::mutex> lock(control.mutex);
        control.stopRequested = false;
        control.finished = false;
    }
    try {
        record.thread = std::thread(musicThreadMain, std::string(path ? path : ""));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool MusicHasEnded() {
    // Started is read first: the thread sets it after playing, so playing is seen set with it.
    return musicStarted && !musicPlaying;
}

bool ReleaseMusicThread(MusicThreadRecord*& record, std::chrono::milliseconds timeout) {
    if (!record)
        return true;
    bool ended = true;
    if (record->thread.joinable()) {
        std::unique_lock<std::mutex> lock(control.mutex);
        control.stopRequested = true;
        control.changed.notify_all();
        ended = control.changed.wait_for(lock, timeout, [] { return control.finished; });
        lock.unlock();
        if (ended)
            record->thread.join();
        else
            record->thread.detach();
    }
    musicPlaying = false;
    musicStarted = false;
    delete record;
    record = nullptr;
    return ended;
}
