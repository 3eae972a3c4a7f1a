#pragma once
// Frames drawn as the IR Monitor draws its lines (orange marks, blue
// spaces), a row each, squeezed to the widget's width: learning's last frame
// heard, the capture log's chosen frame, or two of its frames on one time
// axis with the durations that differ framed in red.

#include <QWidget>
#include <cstdint>
#include <vector>

namespace orvalinder {

class FrameBars : public QWidget {
public:
    explicit FrameBars(QWidget* parent = nullptr);

    // No frames: an empty box. `marked`: the durations to frame, by their
    // place in the frames.
    void draw(std::vector<std::vector<uint32_t>> frames, std::vector<size_t> marked = {});

    const std::vector<std::vector<uint32_t>>& frames() const { return frames_; }
    const std::vector<size_t>& marked() const { return marked_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::vector<uint32_t>> frames_;
    std::vector<size_t> marked_;
};

}  // namespace orvalinder
