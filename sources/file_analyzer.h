// CFileAnalyzer: the analyzer whose samples come from a file the user picks. The file is played
// through the playback channel while it is analysed, and each finished playback buffer drives one
// cycle (FetchBlock, then Analyze) of the playback pump.
//
// The file's header is not interpreted: every pair of bytes from byte 0 on is one signed 16-bit
// little-endian mono sample at 11025 per second. Stream layout for a file of L bytes:
//   0 .. 8191       read by OpenFile into playback buffer 0, played first, not analysed
//   8192 .. 16383   read by OpenFile into the second half of buffer 0, never used
//   16384 .. 24575  read by OpenFile into m_readBuffer, played and analysed in cycle 1
//   then 8192 bytes per cycle, each played and analysed in the cycle after it was read.
// The cycle whose read reaches the end closes the file and the channel, resets the analyzer and
// evaluates the cleared history.
//
// Positions and lengths are 64-bit: files of 4 GiB and more are analysed to their end. A read
// error ends the run (file and channel closed) and is reported with the stop icon.
//
// With m_decodeAudio set, the file is decoded as it is played (any format libsndfile or FFmpeg
// reads, as 16-bit mono at 11025 Hz) and the decoded samples take the place of the file's bytes
// in that layout. The decoded length is the header's until the end is read, then exact.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/shared_value.h"
#include "platform/services/file.h"
#include "sources/decoded_stream.h"
#include "sources/wave_player.h"

class CFileAnalyzer : public CWavePlayer {
public:
    CFileAnalyzer();

    // Virtual slots, in the family's order (BinMagnitude is the core's).
    void Reset() override;
    int FetchBlock() override;
    int Analyze(void* block) override;
    ~CFileAnalyzer() override;

    // The File command: ends a run still in progress or stopped, resets, asks for a file, primes
    // the playback buffers and opens the playback channel. Throws platform::CFileException when
    // the chosen file cannot be opened or read; nothing is played then.
    void OpenFile();

    // The window gain for a "Volume adjust" value: 3 * (trunc(volume / 25) + 1).
    static double WindowGainForVolume(std::int32_t volume);

    std::int16_t m_readBuffer[kBlockSize] = {};
    SharedValue<std::uint64_t> m_position{0};
    // The chosen file's length in bytes and its name without folder, for the status display
    // (the name is written and read on the user-interface thread only).
    SharedValue<std::uint64_t> m_length{0};
    std::string m_fileName;
    platform::CFile m_file;
    SharedValue<std::int32_t> m_volume{0};

    // Decode the next chosen file instead of taking its bytes; read by OpenFile only (UI thread).
    bool m_decodeAudio = false;
    // The decoded stream of the file being analysed while m_decodeAudio chose it.
    CDecodedStream m_decoded;

    // Length in bytes of the stream being analysed (the file's, or the decoded samples').
    std::uint64_t StreamLength() const;

    // Why the decoded stream of the run that ended stopped before the end of its file (damaged
    // data); empty when it did not, or while the run goes on. User-interface thread.
    std::string EndWarning();

private:
    bool m_readingDecoded = false;  // which of m_file and m_decoded the run reads
    std::string m_endWarning;       // under m_dataLock
    std::size_t ReadStream(void* buffer, std::size_t count);
    bool StreamOpen() const;
    void CloseStream();

    // Reads the next 8192 bytes into m_readBuffer; a short read keeps the rest as it was.
    std::size_t ReadBlock();
    void EndRunOnError(const platform::CFileException& error);

    std::int16_t m_fileBlock[kBlockSize] = {};  // what the file read delivers, before it is taken
};
