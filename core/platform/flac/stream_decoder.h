#pragma once
// One libFLAC stream decoder, finished and deleted on release. Move-only; one
// thread at a time (libFLAC calls its callbacks on the thread that drives
// it). The constructor and initialise() throw FlacError.

#include <FLAC/stream_decoder.h>

#include <memory>

namespace sorvalind {

class StreamDecoder {
public:
    struct Callbacks {
        FLAC__StreamDecoderReadCallback read;
        FLAC__StreamDecoderSeekCallback seek;
        FLAC__StreamDecoderTellCallback tell;
        FLAC__StreamDecoderLengthCallback length;
        FLAC__StreamDecoderEofCallback eof;
        FLAC__StreamDecoderWriteCallback write;
        FLAC__StreamDecoderMetadataCallback metadata;
        FLAC__StreamDecoderErrorCallback error;
    };

    StreamDecoder();

    // Starts decoding a native FLAC stream through these callbacks, each
    // given `client`.
    void initialise(const Callbacks& callbacks, void* client);

    FLAC__StreamDecoder* get() const noexcept { return decoder_.get(); }

private:
    struct Delete {
        void operator()(FLAC__StreamDecoder* decoder) const noexcept { FLAC__stream_decoder_delete(decoder); }
    };
    std::unique_ptr<FLAC__StreamDecoder, Delete> decoder_;
};

} // namespace sorvalind
