// The status panes' texts for every source state, and the readings in Hz.
#include "ui/source_status.h"

#include <gtest/gtest.h>

namespace kavrin {
namespace {

TEST(SourceStatus, NamesEachSourceAndItsState) {
    SourceState state;
    EXPECT_EQ(SourceStatusText(state), "Idle");

    state.kind = SourceKind::Line;
    state.secondsWithoutBlock = 2.9;
    EXPECT_EQ(SourceStatusText(state), "Line: capturing");
    state.secondsWithoutBlock = 3.0;
    EXPECT_EQ(SourceStatusText(state), "Line: no input for 3 s");

    state = {};
    state.kind = SourceKind::Tone;
    state.toneFrequency = 10.0;
    state.toneAmplitude = 10;
    EXPECT_EQ(SourceStatusText(state), "Tone: 10 Hz, amplitude 10");
    state.toneFrequency = 22000.0;
    state.toneAmplitude = 32000;
    EXPECT_EQ(SourceStatusText(state), "Tone: 22000 Hz, amplitude 32000");
    state.toneFrequency = 9.5;
    EXPECT_EQ(SourceStatusText(state), "Tone: 9.5 Hz, amplitude 32000");
}

TEST(SourceStatus, AFileShowsWhatIsHeardOfItsLengthThenItsEnd) {
    SourceState state;
    state.kind = SourceKind::File;
    EXPECT_EQ(SourceStatusText(state), "File: none chosen");
    state.fileName = "speech.wav";
    // 1:05 of 16-bit samples at 11025 per second; 0:12 heard (the source reads 16384 bytes
    // ahead of what is played).
    state.fileLength = 65 * 22050 + 100;
    state.filePosition = 12 * 22050 + 16384;
    EXPECT_EQ(SourceStatusText(state), "File: speech.wav 0:12 / 1:05");
    state.filePosition = 100;
    EXPECT_EQ(SourceStatusText(state), "File: speech.wav 0:00 / 1:05");
    state.secondsWithoutBlock = 3.5;
    EXPECT_EQ(SourceStatusText(state), "File: speech.wav 0:00 / 1:05, no output for 3 s");
    state.filePosition = state.fileLength;
    EXPECT_EQ(SourceStatusText(state), "File: ended");
    EXPECT_EQ(FileTimeText(3600ull * 22050), "60:00");
}

TEST(SourceStatus, ReadingsInHzWithOneDecimal) {
    EXPECT_EQ(ReadingText(std::nullopt), "");
    EXPECT_EQ(ReadingText(DrawnReading{20.0, 21.0, 30}), "inst 10.0 Hz  avg 10.1 Hz  ref 11.0 Hz");
    EXPECT_EQ(ReadingText(DrawnReading{0.0, 40.0, -1}), "inst 8.0 Hz  avg 12.0 Hz  ref 7.9 Hz");
    // A band with no energy at all has no frequency.
    EXPECT_EQ(ReadingText(DrawnReading{65535.0, 65535.0, 30}), "inst -  avg -  ref 11.0 Hz");
    // No reading: said instead of numbers that mean nothing.
    EXPECT_EQ(ReadingText(DrawnReading{20.0, 21.0, 30, ReadingValidity::NoSpeech}), "no speech");
    EXPECT_EQ(ReadingText(DrawnReading{65535.0, 65535.0, 30, ReadingValidity::NoSignal}),
              "no signal");
}

}  // namespace
}  // namespace kavrin
