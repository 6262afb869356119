// A quiet, rainy harbour at night: slow pads in A minor, a sparse pentatonic electric-piano
// melody with a long ping-pong echo, a rain bed with droplets, a small room around it all.
#include "Music.h"

#include "DataFile.h"
#include "RunTree.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr int rate = 44100;
constexpr double pi = 3.14159265358979323846;
constexpr double chordSeconds = 4.0;
constexpr double lastChordSeconds = 12.0;

// splitmix64: the same sequence on every platform, unlike the std:: distributions.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    double noise() { return 2.0 * uniform() - 1.0; }
};

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
};

double midiHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// Equal-power pan, 0 left .. 1 right.
double panLeft(double pan) {
    return std::cos(pan * pi / 2);
}
double panRight(double pan) {
    return std::sin(pan * pi / 2);
}

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Band-limited sawtooth by polyBLEP; phase in [0, 1).
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Topology-preserving two-pole state-variable low-pass.
struct LowPass {
    double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0;
    void set(double cutoff, double q) {
        double g = std::tan(pi * cutoff / rate), k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    double run(double v0) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        return v2;
    }
};

struct OnePole {
    double a = 0, z = 0;
    void set(double cutoff) { a = std::exp(-2.0 * pi * cutoff / rate); }
    double low(double x) { return z = (1 - a) * x + a * z; }
    double high(double x) { return x - low(x); }
};

struct Chord {
    int bass;
    int notes[4];
};

const Chord am9{45, {55, 60, 64, 71}};
const Chord fmaj7{41, {53, 57, 60, 64}};
const Chord cmaj7{48, {55, 59, 64, 67}};
const Chord g6{43, {55, 59, 62, 64}};
const Chord dm9{38, {53, 57, 60, 64}};
const Chord em7{40, {55, 59, 62, 67}};

const Chord progression[] = {am9,   fmaj7, cmaj7, g6,  am9,   fmaj7, cmaj7, g6, am9,
                             fmaj7, dm9,   em7,   am9, fmaj7, cmaj7, g6,    am9};
constexpr int chordCount = sizeof progression / sizeof progression[0];

double chordStart(int i) {
    return i * chordSeconds;
}
double chordLength(int i) {
    return i == chordCount - 1 ? lastChordSeconds : chordSeconds;
}
double totalSeconds() {
    return chordStart(chordCount - 1) + lastChordSeconds;
}

// Detuned saws and a sine per note, a sine bass, faded between chords; then a slowly
// breathing low-pass over the whole pad.
void addPads(Stereo& mix) {
    const double attack = 1.8, release = 2.6;
    for (int c = 0; c < chordCount; ++c) {
        const Chord& chord = progression[c];
        const double start = chordStart(c), hold = chordLength(c);
        const bool last = c == chordCount - 1;
        const size_t from = static_cast<size_t>(start * rate);
        const size_t to =
            std::min(mix.frames(), static_cast<size_t>((start + hold + release) * rate));
        for (int v = 0; v < 5; ++v) {
            const bool bass = v == 4;
            const double f = midiHz(bass ? chord.bass : chord.notes[v]);
            const double detune = std::pow(2.0, (5.0 + v) / 1200.0);
            const double pan = bass ? 0.5 : 0.25 + 0.5 * v / 3.0;
            double p1 = 0.13 * v, p2 = 0.57 + 0.11 * v, p3 = 0;
            for (size_t i = from; i < to; ++i) {
                const double t = static_cast<double>(i) / rate - start;
                double env = smoothstep(t / attack);
                if (!last && t > hold)
                    env *= 0.5 + 0.5 * std::cos(pi * std::min(1.0, (t - hold) / release));
                const double sine = std::sin(2 * pi * p3);
                p3 += f / rate;
                p3 -= std::floor(p3);
                if (bass) {
                    const double s = 0.08 * env * sine;
                    mix.left[i] += static_cast<float>(s);
                    mix.right[i] += static_cast<float>(s);
                    continue;
                }
                const double d1 = f * detune / rate, d2 = f / detune / rate;
                const double saw1 = 2 * p1 - 1 - polyBlep(p1, d1);
                const double saw2 = 2 * p2 - 1 - polyBlep(p2, d2);
                p1 += d1;
                p1 -= std::floor(p1);
                p2 += d2;
                p2 -= std::floor(p2);
                const double a = 0.032 * env;
                mix.left[i] += static_cast<float>(
                    a * (saw1 * panLeft(pan) * 1.2 + saw2 * panLeft(1 - pan) * 0.8 + 0.9 * sine));
                mix.right[i] += static_cast<float>(
                    a * (saw1 * panRight(pan) * 0.8 + saw2 * panRight(1 - pan) * 1.2 + 0.9 * sine));
            }
        }
    }
    LowPass left, right;
    for (size_t i = 0; i < mix.frames(); ++i) {
        if (i % 64 == 0) {
            const double t = static_cast<double>(i) / rate;
            const double cutoff = 650.0 + 550.0 * (0.5 - 0.5 * std::cos(2 * pi * t / 24.0));
            left.set(cutoff, 0.8);
            right.set(cutoff * 1.03, 0.8);
        }
        mix.left[i] = static_cast<float>(left.run(mix.left[i]));
        mix.right[i] = static_cast<float>(right.run(mix.right[i]));
    }
}

// One electric-piano note with a bell overtone: two FM pairs with decaying indices.
void addBell(Stereo& bus, double start, int note, double gain, double pan) {
    const double f = midiHz(note), length = 4.0;
    const size_t from = static_cast<size_t>(start * rate);
    const size_t to = std::min(bus.frames(), from + static_cast<size_t>(length * rate));
    for (size_t i = from; i < to; ++i) {
        const double t = static_cast<double>(i - from) / rate;
        const double env = std::min(1.0, t / 0.004) * std::exp(-t / 1.1);
        const double tine =
            std::sin(2 * pi * f * t + 1.6 * std::exp(-t / 0.3) * std::sin(2 * pi * f * t));
        const double bell =
            std::sin(2 * pi * 2 * f * t + 0.9 * std::exp(-t / 0.12) * std::sin(2 * pi * 7 * f * t));
        const double s = gain * env * (tine + 0.25 * bell * std::exp(-t / 0.5));
        bus.left[i] += static_cast<float>(s * panLeft(pan));
        bus.right[i] += static_cast<float>(s * panRight(pan));
    }
}

bool inChord(int note, const Chord& chord) {
    for (int n : chord.notes)
        if ((n - note) % 12 == 0)
            return true;
    return (chord.bass - note) % 12 == 0;
}

// A sparse walk over the A minor pentatonic, landing on chord tones at chord changes.
void addMelody(Stereo& mix, Random& random) {
    const int scale[] = {64, 67, 69, 72, 74, 76, 79, 81};
    constexpr int scaleSize = sizeof scale / sizeof scale[0];
    const int steps[] = {-2, -1, -1, 0, 1, 1, 2};
    Stereo bells(mix.frames());
    int index = 3;
    const double step = 0.5, from = 8.0, to = chordStart(chordCount - 1) + 2.0;
    for (double t = from; t < to; t += step) {
        const int chordIndex = std::min(chordCount - 1, static_cast<int>(t / chordSeconds));
        const Chord& chord = progression[chordIndex];
        const bool downbeat = std::fmod(t, chordSeconds) < 1e-9;
        // Phrases breathe: two chords of melody, then a chord of near silence.
        const bool resting = chordIndex % 3 == 2;
        const double chance = downbeat ? 0.7 : (resting ? 0.06 : 0.3);
        if (random.uniform() >= chance)
            continue;
        index = std::clamp(index + steps[random.next() % 7], 0, scaleSize - 1);
        if (downbeat)
            while (!inChord(scale[index], chord) && index > 0)
                --index;
        const double humanise = random.between(0.0, 0.025);
        addBell(bells, t + humanise, scale[index], random.between(0.10, 0.15),
                random.between(0.3, 0.7));
    }

    // Ping-pong echo, darker at every repeat.
    const size_t delay = static_cast<size_t>(0.75 * rate);
    std::vector<float> lineL(delay, 0.0f), lineR(delay, 0.0f);
    OnePole toneL, toneR;
    toneL.set(2600.0);
    toneR.set(2600.0);
    for (size_t i = 0; i < mix.frames(); ++i) {
        const size_t k = i % delay;
        const double outL = lineL[k], outR = lineR[k];
        const double in = 0.5 * (bells.left[i] + bells.right[i]);
        lineL[k] = static_cast<float>(toneL.low(in + 0.45 * outR));
        lineR[k] = static_cast<float>(toneR.low(0.45 * outL));
        mix.left[i] += static_cast<float>(bells.left[i] + 0.55 * outL);
        mix.right[i] += static_cast<float>(bells.right[i] + 0.55 * outR);
    }
}

// A small, soft room: parallel damped combs into series all-passes, per channel.
void addRoom(Stereo& mix, double wet) {
    const int combs[] = {1557, 1617, 1491, 1422};
    const int allpasses[] = {556, 441};
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<float>& x = channel == 0 ? mix.left : mix.right;
        const int spread = channel * 23;
        std::vector<std::vector<float>> combLines, allLines;
        for (int c : combs)
            combLines.emplace_back(static_cast<size_t>(c + spread), 0.0f);
        for (int a : allpasses)
            allLines.emplace_back(static_cast<size_t>(a + spread), 0.0f);
        std::vector<double> damp(4, 0.0);
        for (size_t i = 0; i < x.size(); ++i) {
            const double in = 0.015 * x[i];
            double out = 0;
            for (size_t c = 0; c < combLines.size(); ++c) {
                std::vector<float>& line = combLines[c];
                float& cell = line[i % line.size()];
                damp[c] = 0.6 * cell + 0.4 * damp[c];
                out += cell;
                cell = static_cast<float>(in + 0.86 * damp[c]);
            }
            for (std::vector<float>& line : allLines) {
                float& cell = line[i % line.size()];
                const double y = cell - out;
                cell = static_cast<float>(out + 0.5 * cell);
                out = y;
            }
            x[i] = static_cast<float>(x[i] + wet * out);
        }
    }
}

// Rain: band-passed noise per channel with slow gusts, a low hiss of distant rain on water,
// and droplets as short rising plinks.
void addRain(Stereo& mix, Random& random) {
    OnePole highL, highR, rumbleL, rumbleR;
    LowPass airL, airR;
    highL.set(450.0);
    highR.set(450.0);
    rumbleL.set(260.0);
    rumbleR.set(260.0);
    airL.set(3800.0, 0.6);
    airR.set(3400.0, 0.6);
    for (size_t i = 0; i < mix.frames(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double gust =
            1.0 + 0.3 * std::sin(2 * pi * t / 17.0) + 0.15 * std::sin(2 * pi * t / 6.3);
        const double nl = random.noise(), nr = random.noise();
        const double l = airL.run(highL.high(nl)) * 0.075 * gust + rumbleL.low(nr) * 0.09;
        const double r = airR.run(highR.high(nr)) * 0.075 * gust + rumbleR.low(nl) * 0.09;
        mix.left[i] += static_cast<float>(l);
        mix.right[i] += static_cast<float>(r);
    }

    double t = random.between(0.0, 0.3);
    const double end = static_cast<double>(mix.frames()) / rate - 0.1;
    while (t < end) {
        const double f0 = random.between(1500.0, 4200.0);
        const double gain = random.between(0.008, 0.035) * (random.uniform() < 0.08 ? 2.5 : 1.0);
        const double pan = random.uniform();
        const size_t from = static_cast<size_t>(t * rate);
        double phase = 0;
        for (size_t i = from; i < from + static_cast<size_t>(0.06 * rate); ++i) {
            const double u = static_cast<double>(i - from) / rate;
            phase += 2 * pi * f0 * (1.0 + 0.6 * (1.0 - std::exp(-u / 0.008))) / rate;
            const double s =
                gain * std::min(1.0, u / 0.0005) * std::exp(-u / 0.011) * std::sin(phase);
            mix.left[i] += static_cast<float>(s * panLeft(pan));
            mix.right[i] += static_cast<float>(s * panRight(pan));
        }
        t += random.between(0.03, 0.45);
    }
}

} // namespace

std::vector<std::int16_t> composeMusic() {
    Random random{0x5EA5CA9EULL};
    const size_t frames = static_cast<size_t>(totalSeconds() * rate);
    Stereo mix(frames);
    addPads(mix);
    addMelody(mix, random);
    addRoom(mix, 0.9);
    addRain(mix, random);

    // Fade in over 5 s, out over the last 8 s; peak at -3 dBFS.
    const double fadeIn = 5.0, fadeOut = 8.0, total = totalSeconds();
    double peak = 1e-9;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double gain = smoothstep(t / fadeIn) * smoothstep((total - t) / fadeOut);
        mix.left[i] = static_cast<float>(mix.left[i] * gain);
        mix.right[i] = static_cast<float>(mix.right[i] * gain);
        peak = std::max({peak, std::fabs(static_cast<double>(mix.left[i])),
                         std::fabs(static_cast<double>(mix.right[i]))});
    }
    const double scale = 0.708 * 32767.0 / peak;
    std::vector<std::int16_t> pcm(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        pcm[2 * i] = static_cast<std::int16_t>(std::lround(mix.left[i] * scale));
        pcm[2 * i + 1] = static_cast<std::int16_t>(std::lround(mix.right[i] * scale));
    }
    return pcm;
}

bool writeMusic(const std::string& stageDir) {
    const std::string path = stageDir + "/" + runtree::fromRoot(runtree::musicPath);
    const std::vector<std::int16_t> pcm = composeMusic();
    const std::uint32_t dataSize = static_cast<std::uint32_t>(pcm.size() * 2);

    std::vector<unsigned char> file;
    auto text = [&](const char* s) { file.insert(file.end(), s, s + 4); };
    auto u16 = [&](std::uint32_t v) {
        file.push_back(static_cast<unsigned char>(v));
        file.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    text("RIFF");
    u32(36 + dataSize);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1); // PCM
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    text("data");
    u32(dataSize);
    for (std::int16_t s : pcm)
        u16(static_cast<std::uint16_t>(s));

    return writeDataFile(path,
                         std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
}
