#include "codec/codec_state.h"

#include <new>

namespace {

struct CodecStateDeleter {
    void operator()(CodecState* state) const
    {
        state->~CodecState();
        MemFree(state);
    }
};

std::unique_ptr<CodecState, CodecStateDeleter>& state_holder()
{
    static std::unique_ptr<CodecState, CodecStateDeleter> holder;
    return holder;
}

}  // namespace

CodecState& codec_state()
{
    auto& holder = state_holder();
    if (!holder)
        holder.reset(new (MemAlloc(sizeof(CodecState))) CodecState());
    return *holder;
}

void release_codec_state() { state_holder().reset(); }
