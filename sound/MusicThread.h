#pragma once

#include "RunTree.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// The only state the music thread shares with the main thread.
extern std::atomic<bool> musicStarted;
extern std::atomic<bool> musicPlaying;

struct MusicThreadRecord {
    std::thread thread;
};

// Created during static initialisation, released by ReleaseMusicThread.
extern MusicThreadRecord* musicThreadRecord;

// How long shutdown waits for the music thread to leave OpenAL.
constexpr std::chrono::milliseconds musicStopTimeout{400};

// Plays the wave file once on an OpenAL device, polling every 100 ms, until it ends or a stop is
// requested; runs on the music thread and always releases what it opened.
void playMusic(const char* path = runtree::musicPath);
int musicThreadMain(std::string path);

// Starts the music thread in record; false when no thread could be made (no music then).
bool StartMusicThread(MusicThreadRecord& record, const char* path = runtree::musicPath);
// True in the first frame in which the music has started and is no longer playing.
bool MusicHasEnded();
// Asks the music thread to stop and waits up to `timeout` for it to end; clears both flags and
// frees the record. False when the thread is still running (still inside OpenAL): the process
// must then end without running the library's exit-time clean-up.
bool ReleaseMusicThread(MusicThreadRecord*& record,
                        std::chrono::milliseconds timeout = musicStopTimeout);
