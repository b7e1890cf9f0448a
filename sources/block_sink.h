// Where the live analyzer hands each captured block, in the order analysed, while a recording
// runs. Called on the capture pump: must neither block nor allocate.
#pragma once

#include <cstddef>
#include <cstdint>

class CBlockSink {
public:
    virtual ~CBlockSink() = default;
    virtual void TakeBlock(const std::int16_t* block, std::size_t count) = 0;
};
