#include "serial/ParmrkDecoder.h"

ParmrkChunk ParmrkDecoder::Decode(std::span<const std::uint8_t> raw)
{
    ParmrkChunk chunk;
    chunk.data.reserve(raw.size() + 1);
    for (const std::uint8_t byte : raw) {
        switch (state_) {
        case State::Data:
            if (byte == 0xFF)
                state_ = State::AfterFF;
            else
                chunk.data.push_back(byte);
            break;
        case State::AfterFF:
            if (byte == 0xFF) {
                chunk.data.push_back(0xFF);
                state_ = State::Data;
            } else if (byte == 0x00) {
                state_ = State::AfterFF00;
            } else {
                chunk.data.push_back(0xFF);
                chunk.data.push_back(byte);
                state_ = State::Data;
            }
            break;
        case State::AfterFF00:
            ++chunk.errorMarks;
            state_ = State::Data;
            break;
        }
    }
    return chunk;
}

int ParmrkDecoder::PendingBytes() const
{
    switch (state_) {
    case State::Data:
        return 0;
    case State::AfterFF:
        return 1;
    case State::AfterFF00:
        return 2;
    }
    return 0;
}
