#include "platform/flac/stream_decoder.h"

#include "platform/flac/flac_error.h"

namespace sorvalind {

StreamDecoder::StreamDecoder() : decoder_(FLAC__stream_decoder_new()) {
    if (!decoder_) throw FlacError(-1, "libFLAC could not allocate a stream decoder");
}

void StreamDecoder::initialise(const Callbacks& callbacks, void* client) {
    FLAC__StreamDecoderInitStatus status = FLAC__stream_decoder_init_stream(
        decoder_.get(), callbacks.read, callbacks.seek, callbacks.tell, callbacks.length, callbacks.eof,
        callbacks.write, callbacks.metadata, callbacks.error, client);
    if (status != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        throw FlacError(status, FLAC__StreamDecoderInitStatusString[status]);
}

} // namespace sorvalind
