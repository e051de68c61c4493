#include "tools/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "tools/VideoPixels.h"

namespace {

const char* encoderName(VideoFormat format) {
    return format == VideoFormat::h264Mp4 ? "libx264" : "libvpx-vp9";
}

const char* containerName(VideoFormat format) {
    return format == VideoFormat::h264Mp4 ? "mp4" : "webm";
}

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// What each encoder is asked for: the fastest settings, since a frame
// follows every idle call and encoding easily costs more than painting, at
// a constant quality that keeps the paper's texture (a decoded frame of the
// examples is 37 to 45 dB from the picture). Beside x264's "veryfast",
// "ultrafast" takes about 40% fewer instructions for files two to three
// times as large (under a megabyte for each example), the better bargain
// here.
void encoderOptions(VideoFormat format, AVCodecContext& codec, AVDictionary** options) {
    if (format == VideoFormat::h264Mp4) {
        av_dict_set(options, "preset", "ultrafast", 0);
        av_dict_set(options, "crf", "20", 0);
    } else {
        // Constant quality: no bit rate to aim at.
        codec.bit_rate = 0;
        av_dict_set(options, "crf", "24", 0);
        av_dict_set(options, "deadline", "realtime", 0);
        av_dict_set(options, "cpu-used", "8", 0);
        av_dict_set(options, "row-mt", "1", 0);
    }
}

}  // namespace

bool videoEncoderAvailable(VideoFormat format, std::string& error) {
    if (avcodec_find_encoder_by_name(encoderName(format)) == nullptr) {
        error = std::string("FFmpeg's libraries here have no ") + encoderName(format) + " encoder";
        return false;
    }
    return true;
}

struct VideoEncoder::Streams {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    long long next = 0;

    ~Streams() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format != nullptr) {
            if (format->pb != nullptr) {
                avio_closep(&format->pb);
            }
            avformat_free_context(format);
        }
    }

    // Sends a frame (nullptr: the end) and writes every packet that is ready.
    int send(const AVFrame* input) {
        int result = avcodec_send_frame(codec, input);
        while (result >= 0) {
            result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return 0;
            }
            if (result < 0) {
                return result;
            }
            // Every frame lasts one tick of the frame rate, the last one too.
            if (packet->duration == 0) {
                packet->duration = 1;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
        }
        return result;
    }
};

VideoEncoder::VideoEncoder() = default;
VideoEncoder::~VideoEncoder() = default;

bool VideoEncoder::open(const std::string& path, VideoFormat format, int width, int height, int fps,
                        std::string& error) {
    // The libraries' own chatter (encoder settings, statistics) is not the
    // painter's output; their errors are reported here.
    av_log_set_level(AV_LOG_ERROR);
    streams = std::make_unique<Streams>();
    Streams& s = *streams;
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName(format));
    if (encoder == nullptr) {
        return videoEncoderAvailable(format, error);
    }
    int result = avformat_alloc_output_context2(&s.format, nullptr, containerName(format), path.c_str());
    if (result < 0) {
        error = describe(result);
        return false;
    }
    s.stream = avformat_new_stream(s.format, nullptr);
    s.codec = avcodec_alloc_context3(encoder);
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    if (s.stream == nullptr || s.codec == nullptr || s.packet == nullptr || s.frame == nullptr) {
        error = describe(AVERROR(ENOMEM));
        return false;
    }
    AVCodecContext& codec = *s.codec;
    codec.width = width;
    codec.height = height;
    codec.time_base = AVRational{1, fps};
    codec.framerate = AVRational{fps, 1};
    codec.sample_aspect_ratio = AVRational{1, 1};
    codec.pix_fmt = AV_PIX_FMT_YUV420P;
    // What convertToYuv420 writes, from sRGB pictures.
    codec.color_range = AVCOL_RANGE_MPEG;
    codec.colorspace = AVCOL_SPC_SMPTE170M;
    codec.color_primaries = AVCOL_PRI_BT709;
    codec.color_trc = AVCOL_TRC_IEC61966_2_1;
    if ((s.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    encoderOptions(format, codec, &options);
    result = avcodec_open2(&codec, encoder, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = std::string("cannot start the ") + encoderName(format) + " encoder for " + std::to_string(width) +
                "x" + std::to_string(height) + ": " + describe(result);
        return false;
    }
    s.stream->time_base = codec.time_base;
    s.stream->avg_frame_rate = codec.framerate;
    result = avcodec_parameters_from_context(s.stream->codecpar, &codec);
    if (result >= 0) {
        result = avio_open(&s.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    }
    if (result >= 0) {
        AVDictionary* muxing = nullptr;
        // The index at the front, so a player can start before the whole file is there.
        if (format == VideoFormat::h264Mp4) {
            av_dict_set(&muxing, "movflags", "+faststart", 0);
        }
        result = avformat_write_header(s.format, &muxing);
        av_dict_free(&muxing);
    }
    if (result >= 0) {
        s.frame->format = AV_PIX_FMT_YUV420P;
        s.frame->width = width;
        s.frame->height = height;
        result = av_frame_get_buffer(s.frame, 0);
    }
    if (result < 0) {
        error = describe(result);
        return false;
    }
    return true;
}

bool VideoEncoder::addFrame(const ImageRect<vec4>& picture, const std::vector<CellRect>& changed,
                            std::string& error) {
    Streams& s = *streams;
    if (picture.width != s.codec->width || picture.height != s.codec->height) {
        error = "a frame of another size";
        return false;
    }
    // The encoder may still hold the last frame; then this one is a copy.
    int result = av_frame_make_writable(s.frame);
    if (result >= 0) {
        const YuvPlanes planes{s.frame->data[0],     s.frame->data[1],     s.frame->data[2],
                               s.frame->linesize[0], s.frame->linesize[1], s.frame->linesize[2]};
        for (const CellRect& region : changed) {
            convertToYuv420(picture, region, planes);
        }
        s.frame->pts = s.next++;
        result = s.send(s.frame);
    }
    if (result < 0) {
        error = describe(result);
        return false;
    }
    return true;
}

bool VideoEncoder::finish(std::string& error) {
    Streams& s = *streams;
    int result = s.send(nullptr);
    if (result >= 0) {
        result = av_write_trailer(s.format);
    }
    if (result >= 0 && s.format->pb->error < 0) {
        result = s.format->pb->error;
    }
    const int closed = avio_closep(&s.format->pb);
    if (result >= 0) {
        result = closed;
    }
    streams.reset();
    if (result < 0) {
        error = describe(result);
        return false;
    }
    return true;
}
