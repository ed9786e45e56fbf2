// FrameView, what the read-only views of the object base's frames share: one address of a frame.
#pragma once

// The common part of a view above the object base: the frame it reads, empty when there is none,
// and equality by frame. `View` is the view class itself, so that a view compares only with
// views of its kind. The frame must outlive the view.
template <class View, class Frame>
class FrameView {
  public:
    FrameView() = default;
    explicit FrameView(const Frame* frame) : frame(frame) {}

    explicit operator bool() const { return frame != nullptr; }
    friend bool operator==(const View& a, const View& b) { return a.frame == b.frame; }

  protected:
    const Frame* frame = nullptr;
};
