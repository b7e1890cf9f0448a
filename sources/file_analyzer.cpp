#include "sources/file_analyzer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "analysis/volume_factor.h"
#include "platform/audio_files/audio_decoder.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"

// File bytes are taken as the host's 16-bit samples as they are.
static_assert(std::endian::native == std::endian::little,
              "file samples are little-endian 16-bit values");

namespace {

// The formats the decoder reads, offered beside the designed type while decoding is on.
platform::OpenFileFilter DecodableFilesFilter() {
    platform::OpenFileFilter filter;
    filter.label = "Audio Files";
    for (const std::string& extension : platform::DecodableExtensions())
        filter.patterns.push_back("*." + extension);
    return filter;
}

}  // namespace

CFileAnalyzer::CFileAnalyzer() {
    m_underThreshold = 1;
    ResetStatistics();
    CFileAnalyzer::Reset();
    m_position = 0;
    m_volume = 0;
}

CFileAnalyzer::~CFileAnalyzer() {
    ClosePlayback();
    CFileAnalyzer::Reset();
    m_file.Close();
}

void CFileAnalyzer::Reset() {
    {
        std::lock_guard<std::mutex> guard(m_dataLock);
        std::fill(std::begin(m_readBuffer), std::end(m_readBuffer), std::int16_t{0});
    }
    CTremorAnalyzer::Reset();
}

double CFileAnalyzer::WindowGainForVolume(std::int32_t volume) {
    return static_cast<double>(3 * VolumeFactor(volume));
}

void CFileAnalyzer::OpenFile() {
    // A run still in progress, or one that a command stopped (its device and file still open),
    // ends first: its pump would otherwise go on reading and playing into the buffers primed here.
    EndRun();
    CloseStream();

    Reset();
    m_position = 0;
    m_length = 0;
    m_fileName.clear();
    {
        std::lock_guard<std::mutex> guard(m_dataLock);
        m_endWarning.clear();
    }
    m_deviceFailed = false;

    platform::OpenFileRequest request;
    request.title = "Sound file to load";
    request.filterLabel = "Sound File (*.Wav)";
    request.presetName = "*.WAV";
    request.defaultExtension = "*.WAV";
    request.mustExist = true;
    if (m_decodeAudio) {
        // What decoding adds is what the user came for: the dialog opens on it.
        request.extraFilters.push_back(DecodableFilesFilter());
        request.initialFilter = 1;
    }
    const std::optional<std::string> path = platform::AskOpenFileName(request);
    if (!path) {
        platform::ShowMessage("No input file selected!");
        return;
    }

    m_readingDecoded = m_decodeAudio;
    if (m_readingDecoded)
        m_decoded.Open(*path);
    else
        m_file.Open(*path);
    m_fileName = path->substr(path->find_last_of('/') + 1);
    try {
        m_length = StreamLength();
        // The whole of buffer 0 (16384 bytes); only its first 8192 are ever played.
        const std::size_t primed = ReadStream(m_playBuffers[0], sizeof(m_playBuffers[0]));
        m_position = m_position + primed;
        m_position = m_position + ReadBlock();
        BeginEvaluationSession(EvaluationSource::File, *path);
    } catch (...) {
        CloseStream();
        throw;
    }
    OpenPlayback();
}

std::size_t CFileAnalyzer::ReadBlock() {
    const std::size_t count = ReadStream(m_fileBlock, sizeof(m_fileBlock));
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(m_readBuffer, m_fileBlock, count);
    return count;
}

int CFileAnalyzer::FetchBlock() {
    try {
        std::uint64_t length = StreamLength();
        ShiftHistory(m_readBuffer);
        {
            std::lock_guard<std::mutex> guard(m_dataLock);
            // Into the buffer that NextBuffer writes next.
            std::int16_t* next = m_playBuffers[m_bufferIndex == 1 ? 0 : 1];
            std::memcpy(next, m_readBuffer, sizeof(m_readBuffer));
        }
        m_position = m_position + ReadBlock();
        if (m_readingDecoded) {
            // A decoded stream learns its exact length as its end is read: this cycle's read.
            length = StreamLength();
            m_length = length;
        }
        if (m_position >= length) m_stop = 1;
    } catch (const platform::CFileException& error) {
        EndRunOnError(error);
        return 0;
    }
    NextBuffer();
    return 0;
}

int CFileAnalyzer::Analyze(void*) {
    // A run that a read error ended has nothing left to analyse.
    if (!StreamOpen()) return 1;
    std::uint64_t length = 0;
    try {
        length = StreamLength();
    } catch (const platform::CFileException& error) {
        EndRunOnError(error);
        return 1;
    }
    m_windowOffset = 0;
    m_windowGain = WindowGainForVolume(m_volume.Load());
    if (m_position >= length) {
        if (m_readingDecoded && !m_decoded.Warning().empty()) {
            std::lock_guard<std::mutex> guard(m_dataLock);
            m_endWarning = m_decoded.Warning();
        }
        CloseStream();
        ClosePlayback();
        Reset();
    }
    ApplyWindow(m_windowGain.Load(), m_windowOffset.Load());
    // From the bytes actually read: a file that grows while it is read is followed in time, one
    // shorter than it said is not.
    StampBlockEnd(FileBlockEndSeconds(NextEvaluationBlock(), m_position.Load()));
    return Evaluate();
}

void CFileAnalyzer::EndRunOnError(const platform::CFileException& error) {
    m_stop = 1;
    CloseStream();
    ClosePlayback();
    platform::ShowMessage(error.what(), platform::MessageIcon::Stop);
}

std::string CFileAnalyzer::EndWarning() {
    std::lock_guard<std::mutex> guard(m_dataLock);
    return m_endWarning;
}

std::uint64_t CFileAnalyzer::StreamLength() const {
    return m_readingDecoded ? m_decoded.GetLength() : m_file.GetLength();
}

std::size_t CFileAnalyzer::ReadStream(void* buffer, std::size_t count) {
    return m_readingDecoded ? m_decoded.Read(buffer, count) : m_file.Read(buffer, count);
}

bool CFileAnalyzer::StreamOpen() const {
    return m_readingDecoded ? m_decoded.IsOpen() : m_file.IsOpen();
}

void CFileAnalyzer::CloseStream() {
    m_file.Close();
    m_decoded.Close();
}
