#include "engine/resources/Animation.h"

#include "engine/core/Log.h"

#include <cstring>
#include <new>

namespace {

void CopyFrameText(char (&field)[kFrameTextSize], const char* text) {
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (n > kFrameTextSize - 1) n = kFrameTextSize - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

bool IndexInside(int index, size_t count) {
    return static_cast<unsigned>(index) < count;   // negative indexes are outside too
}

}   // namespace

void AnimationFrame::SetKeyword(const char* text) { CopyFrameText(keyword_, text); }
void AnimationFrame::SetTexture(const char* text) { CopyFrameText(texture_, text); }
void AnimationFrame::SetEffect(const char* text) { CopyFrameText(effect_, text); }

uint8_t AnimationFrame::SetAlpha(uint8_t value) {
    uint8_t old = alpha_;
    alpha_ = value;
    return old;
}

int Animation::SetWidth(int value) {
    int old = header_.width;
    header_.width = value < 0 ? 0 : value;
    return old;
}

int Animation::SetHeight(int value) {
    int old = header_.height;
    header_.height = value < 0 ? 0 : value;
    return old;
}

int Animation::SetClip(int value) {
    int old = int(header_.clip);
    header_.clip = value ? 1 : 0;
    return old;
}

int Animation::GetPlayLength() const {
    return header_.playLength ? int(header_.playLength) : int(frames_.size());
}

IAnimationFrame* Animation::GetFrame(int index) const {
    return IndexInside(index, frames_.size()) ? frames_[size_t(index)].get() : nullptr;
}

IAnimationFrame* Animation::InsertFrame(int position) {
    if (position != 0 && position != -1 && !IndexInside(position, frames_.size())) {
        WriteLog(0, "无法在无效位置创建动画单元帧.");
        return nullptr;
    }
    std::unique_ptr<IAnimationFrame> frame(new (std::nothrow) AnimationFrame());
    if (!frame) {
        WriteLog(0, "无法在内存中创建动画单元帧数据.");
        return nullptr;
    }
    IAnimationFrame* made = frame.get();
    if (position == -1) {
        frames_.push_back(std::move(frame));
    } else {
        frames_.insert(frames_.begin() + position, std::move(frame));
    }
    return made;
}

int Animation::DeleteFrame(int index) {
    if (!IndexInside(index, frames_.size())) {
        WriteLog(0, "无法删除无效位置的动画单元帧.#1");
        return 0;
    }
    frames_.erase(frames_.begin() + index);
    return 1;
}

int Animation::ClearFrames() {
    frames_.clear();
    return 1;
}

const char* Animation::GetFrameKeyword(int index) const {
    // Bounded by the frames that exist as well: a play length above the frame
    // count must not reach past the queue.
    if (!IndexInside(index, size_t(GetPlayLength())) || !IndexInside(index, frames_.size()))
        return nullptr;
    return frames_[size_t(index)]->GetKeyword();
}

int Animation::FindFrame(const char* keyword, int start) const {
    if (!keyword || !IndexInside(start, frames_.size())) return -1;
    for (size_t i = size_t(start); i < frames_.size(); ++i) {
        if (std::strcmp(frames_[i]->GetKeyword(), keyword) == 0) return int(i);
    }
    return -1;
}

int Animation::CountFrames(const char* keyword, int start) const {
    if (!IndexInside(start, frames_.size())) return 0;
    if (!keyword) return int(frames_.size()) - start;
    int count = 0;
    for (size_t i = size_t(start); i < frames_.size(); ++i) {
        if (std::strcmp(frames_[i]->GetKeyword(), keyword) == 0) ++count;
    }
    return count;
}

int Animation::GetFrameWidth(int index) const {
    if (header_.width) return header_.width;
    IAnimationFrame* frame = GetFrame(index);
    return frame ? frame->GetWidth() : 0;
}

int Animation::GetFrameHeight(int index) const {
    if (header_.height) return header_.height;
    IAnimationFrame* frame = GetFrame(index);
    return frame ? frame->GetHeight() : 0;
}
