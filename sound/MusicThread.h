#pragma once

#include <atomic>
#include <string>
#include <thread>

// The show's music, relative to the working directory bin/ of the run tree.
constexpr const char* musicPath = "../Media/Tidewell - Harbour - 08 - Rain.wav";

// The only state the music thread shares with the main thread.
extern std::atomic<bool> musicStarted;
extern std::atomic<bool> musicPlaying;

struct MusicThreadRecord {
    std::thread thread;
};

// Created during static initialisation, released by ReleaseMusicThread.
extern MusicThreadRecord* musicThreadRecord;

// Plays the wave file once on an OpenAL device, polling every 100 ms; runs on the music thread.
void playMusic(const char* path = musicPath);
int musicThreadMain(std::string path);

// Starts the music thread in record; false when no thread could be made (no music then).
bool StartMusicThread(MusicThreadRecord& record, const char* path = musicPath);
// True in the first frame in which the music has started and is no longer playing.
bool MusicHasEnded();
// Lets the music thread run on without waiting for it, clears both flags and frees the record.
void ReleaseMusicThread(MusicThreadRecord*& record);
