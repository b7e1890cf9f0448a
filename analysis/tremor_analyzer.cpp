#include "analysis/tremor_analyzer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/band_bins.h"
#include "analysis/window_table.h"

CTremorAnalyzer::CTremorAnalyzer() {
    m_underThreshold = 1;
    ResetStatistics();
    // Only the base part exists during construction, so this is the base Reset.
    CTremorAnalyzer::Reset();
    m_thresholdPercent = 80;
}

CTremorAnalyzer::~CTremorAnalyzer() {
    CTremorAnalyzer::Reset();
}

void CTremorAnalyzer::Reset() {
    ResetStatistics();
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::fill(std::begin(m_history), std::end(m_history), std::int16_t{0});
    std::fill(std::begin(m_windowed), std::end(m_windowed), 0.0);
}

int CTremorAnalyzer::FetchBlock() {
    return 0;
}

int CTremorAnalyzer::Analyze(void*) {
    return 0;
}

void CTremorAnalyzer::ResetStatistics() {
    m_magnitudeSum = 0.0;
    m_freqSum = 20.0;
    m_avgFreq = 20.0;
    m_maxFreq = 0.0;
    m_minFreq = 40.0;
    m_avgMagnitude = 8000.0;
    m_blockCount = 1;
}

void CTremorAnalyzer::ShiftHistory(const std::int16_t* newBlock) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memmove(m_history, m_history + kBlockSize,
                 sizeof(std::int16_t) * (kHistorySize - kBlockSize));
    std::memcpy(m_history + (kHistorySize - kBlockSize), newBlock,
                sizeof(std::int16_t) * kBlockSize);
}

void CTremorAnalyzer::ApplyWindow(double gain, std::int16_t offset) {
    // m_windowed[i] = (1 - cos(i * kWindowStep)) * (gain * m_history[i] + offset), with the
    // window's cosines from a table computed once.
    std::lock_guard<std::mutex> guard(m_dataLock);
    CWindowTable::Apply(m_history, gain, offset, m_windowed);
}

double CTremorAnalyzer::BinMagnitude(int bin) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    return BinMagnitudeLocked(bin);
}

double CTremorAnalyzer::BinMagnitudeLocked(int bin) const {
    const int k = bin & 0xFFFF;
    const double w = k * kBinStep;
    const double q = 2.0 * std::cos(w);
    double sa = std::sin(-w);
    double ca = std::cos(-w);
    double sb = std::sin(-2.0 * w);
    double cb = std::cos(-2.0 * w);
    double re = 0.0;
    double im = 0.0;
    for (int i = 0; i < kHistorySize; ++i) {
        const double s = q * sa - sb;
        const double t = q * ca - cb;
        re = re + t * m_windowed[i];
        im = im + s * m_windowed[i];
        sb = sa;
        cb = ca;
        sa = s;
        ca = t;
    }
    return std::sqrt(re * re + im * im);
}

int CTremorAnalyzer::BandIndexFromMagnitudes(const double (&m)[kBandBinCount]) {
    double a[kBandPointCount];
    for (int j = 0; j < kBandBinCount - 1; ++j) {
        for (int n = 0; n < 5; ++n) {
            if (m[j] == m[j + 1])
                a[5 * j + n] = m[j];
            else
                a[5 * j + n] = m[j] + n * ((m[j + 1] - m[j]) * 0.2);
        }
    }
    a[kBandPointCount - 1] = m[kBandBinCount - 1];

    double total = 0.0;
    for (double point : a) total = total + point;
    const double half = total * 0.5;

    double running = 0.0;
    int i = 0;
    // The running sum is formed like the total, so it reaches the half by index 40; the bound
    // only matters for sums that are not numbers.
    while (running < half && i < kBandPointCount) {
        running = running + a[i];
        ++i;
    }
    return i - 1;
}

std::uint16_t CTremorAnalyzer::BandFrequency() {
    // The nine BinMagnitude values. With the base's BinMagnitude in the slot they come from one
    // fused pass, which gives each of them to the bit; a class that replaces it is asked through
    // the slot.
    double m[kBandBinCount];
    if (BinMagnitudeReplaced()) {
        for (int j = 0; j < kBandBinCount; ++j)
            m[j] = BinMagnitude(kFirstBandBin + kBandBinStep * j);
    } else {
        BandMagnitudes(m);
    }
    {
        std::lock_guard<std::mutex> guard(m_dataLock);
        std::memcpy(m_evaluatedBands, m, sizeof(m));
    }
    return static_cast<std::uint16_t>(BandIndexFromMagnitudes(m));
}

bool CTremorAnalyzer::BinMagnitudeReplaced() {
#if defined(__GNUC__) && !defined(__clang__)
    // GCC can read the function a virtual slot holds for an object (the bound member function
    // extension).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    using Slot = double (*)(CTremorAnalyzer*, int);
    const Slot held = (Slot)(this->*(&CTremorAnalyzer::BinMagnitude));
    const Slot base = (Slot)(&CTremorAnalyzer::BinMagnitude);
#pragma GCC diagnostic pop
    return held != base;
#else
    // Without a way to look into the slot, always ask through it.
    return true;
#endif
}

void CTremorAnalyzer::BandMagnitudes(double (&out)[kBandBinCount]) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    CBandBins::Evaluate(m_windowed, out);
}

void CTremorAnalyzer::EvaluatedBandMagnitudes(double (&out)[kBandBinCount]) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(out, m_evaluatedBands, sizeof(m_evaluatedBands));
}

std::uint16_t CTremorAnalyzer::BlockMagnitude() {
    double sum = 1.0;
    {
        std::lock_guard<std::mutex> guard(m_dataLock);
        for (int i = 7168; i <= 9213; ++i) sum = sum + std::fabs(m_windowed[i]);
    }
    return static_cast<std::uint16_t>(RoundValue(sum * 0.0001220703125));
}

void CTremorAnalyzer::UpdateStatistics(double magnitude, double freq) {
    m_magnitudeSum = m_magnitudeSum + magnitude;
    m_freqSum = m_freqSum + freq;
    m_blockCount = m_blockCount + 1u;
    m_avgMagnitude = m_magnitudeSum / m_blockCount;
    m_avgFreq = m_freqSum / m_blockCount;
    if (m_blockCount > 10000u) {
        m_magnitudeSum = m_magnitudeSum * 0.001;
        m_freqSum = m_freqSum * 0.001;
        m_blockCount = m_blockCount / 1000u;
    }
}

int CTremorAnalyzer::Evaluate() {
    m_magnitude = static_cast<double>(BlockMagnitude());
    const std::uint16_t f = BandFrequency();
    m_instFreq = static_cast<double>(f);
    if (f > m_maxFreq) m_maxFreq = static_cast<double>(f);
    if (f < m_minFreq) m_minFreq = static_cast<double>(f);
    UpdateStatistics(m_magnitude, f);
    const double d = m_maxFreq - m_minFreq;
    if (d > 0) {
        const double percent = static_cast<double>(m_thresholdPercent.Load());
        m_threshold = static_cast<std::uint16_t>(RoundValue(m_minFreq + (d * percent + 1) * 0.01));
    }
    m_underThreshold = (static_cast<double>(m_threshold) >= m_instFreq) ? 1 : 0;
    LogEvaluation();
    return 1;
}

void CTremorAnalyzer::BeginEvaluationSession(EvaluationSource source, const std::string& name) {
    m_sessionSource = source;
    m_sessionBlock = 0;
    m_sessionName = name;
    m_namedSession = m_session.load() + 1;
    m_session = m_namedSession;
}

void CTremorAnalyzer::EnableSignalQuality() {
    if (m_signalQualityOwner) return;
    m_signalQualityOwner = std::make_unique<CSignalQuality>();
    m_signalQuality.store(m_signalQualityOwner.get(), std::memory_order_release);
}

std::string CTremorAnalyzer::SessionName(std::uint32_t session) const {
    return session == m_namedSession ? m_sessionName : std::string();
}

void CTremorAnalyzer::LogEvaluation() noexcept {
    const std::uint32_t session = m_session.load(std::memory_order_relaxed);
    EvaluationRow& row = m_lastRow;
    row = EvaluationRow{};
    row.block = m_sessionBlock.fetch_add(1, std::memory_order_relaxed) + 1;
    row.session = session;
    row.source = m_sessionSource.load(std::memory_order_relaxed);
    row.timeSeconds = m_blockEndSeconds;
    if (CSignalQuality* quality = m_signalQuality.load(std::memory_order_acquire)) {
        CopyNewestBlock(m_qualityBlock);
        row.quality = quality->Measure(m_qualityBlock);
    }
    row.instFreq = m_instFreq;
    row.avgFreq = m_avgFreq;
    row.minFreq = m_minFreq;
    row.maxFreq = m_maxFreq;
    row.threshold = m_threshold;
    row.magnitude = m_magnitude;
    row.avgMagnitude = m_avgMagnitude;
    row.underThreshold = m_underThreshold;
    // This thread wrote the bands in this evaluation: reading them needs no lock.
    std::memcpy(row.bins, m_evaluatedBands, sizeof(row.bins));
    // No source started this analyzer: nobody keeps a timeline of it.
    if (session != 0) m_evaluations.Push(row);
}

std::int32_t CTremorAnalyzer::RoundValue(double x) {
    if (!std::isfinite(x)) return 0;
    const double t = std::trunc(x);
    const double rounded = (x > t + 0.5) ? t + 1.0 : t;
    if (rounded >= -2147483648.0 && rounded < 2147483648.0)
        return static_cast<std::int32_t>(rounded);
    // Beyond 32 bits: keep the low 32 bits of the whole number, as every caller keeps only the
    // low 16 of them anyway.
    const double wrapped = std::fmod(rounded, 4294967296.0);
    const auto low = static_cast<std::int64_t>(wrapped);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(low));
}

void CTremorAnalyzer::CopyHistory(std::int16_t (&out)[kHistorySize]) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(out, m_history, sizeof(m_history));
}

void CTremorAnalyzer::CopyNewestBlock(std::int16_t (&out)[kBlockSize]) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(out, m_history + (kHistorySize - kBlockSize), sizeof(out));
}

void CTremorAnalyzer::CopyWindowed(double (&out)[kHistorySize]) {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(out, m_windowed, sizeof(m_windowed));
}
