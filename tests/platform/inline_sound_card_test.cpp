// The headless card: a written buffer is done at once and signals on the writer's thread, a
// paused device holds buffers until Reset, and no notification merges with one not yet taken.
#include "platform/devices/inline_sound_card.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

using namespace platform;

TEST(InlineSoundCard, BuffersPlayAtOnceAndEveryNotificationArrives) {
    InlineSoundCard card;
    EXPECT_EQ(card.GetInputDeviceCount(), 0u);
    ASSERT_EQ(card.GetOutputDeviceCount(), 1u);
    AutoResetEvent event("out");
    std::unique_ptr<WaveOutDevice> device;
    EXPECT_EQ(card.OpenOutput(1, PcmFormat(1, 11025, 16), &event, &device), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(card.OpenOutput(0, PcmFormat(1, 11025, 8), &event, &device), WAVERR_BADFORMAT);
    ASSERT_EQ(card.OpenOutput(0, PcmFormat(1, 11025, 16), &event, &device), MMSYSERR_NOERROR);

    std::int16_t samples[2][8192] = {};
    WaveHeader headers[2];
    for (int i = 0; i < 2; ++i) {
        headers[i].data = samples[i];
        headers[i].bufferLength = sizeof samples[i];
        EXPECT_EQ(device->Write(&headers[i]), WAVERR_UNPREPARED);
        ASSERT_EQ(device->PrepareHeader(&headers[i]), MMSYSERR_NOERROR);
        EXPECT_EQ(headers[i].flags, WHDR_PREPARED);
    }
    // The open notification and two buffers, none merged although nobody waited in between.
    ASSERT_EQ(device->Write(&headers[0]), MMSYSERR_NOERROR);
    ASSERT_EQ(device->Write(&headers[1]), MMSYSERR_NOERROR);
    EXPECT_TRUE(headers[0].flags & WHDR_DONE);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(event.IsSignalled()) << "notification " << i << " was lost";
        event.Wait();
    }
    EXPECT_FALSE(event.IsSignalled());

    // Paused: the buffer stays queued until Reset returns it.
    ASSERT_EQ(device->Pause(), MMSYSERR_NOERROR);
    ASSERT_EQ(device->Write(&headers[0]), MMSYSERR_NOERROR);
    EXPECT_FALSE(event.IsSignalled());
    EXPECT_EQ(device->UnprepareHeader(&headers[0]), WAVERR_STILLPLAYING);
    ASSERT_EQ(device->Reset(), MMSYSERR_NOERROR);
    EXPECT_TRUE(headers[0].flags & WHDR_DONE);
    ASSERT_TRUE(event.IsSignalled());
    event.Wait();
    EXPECT_EQ(device->UnprepareHeader(&headers[0]), MMSYSERR_NOERROR);

    ASSERT_EQ(device->Close(), MMSYSERR_NOERROR);
    EXPECT_TRUE(device->IsClosed());
    EXPECT_TRUE(event.IsSignalled());  // the close signal
    EXPECT_EQ(device->Write(&headers[1]), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(device->Close(), MMSYSERR_INVALHANDLE);
}

}  // namespace
