#pragma once
// The frame step as the capture tests run it: a frame asked for and waited for, then
// the graph's news taken, until what the test waits for has come.

#include <algorithm>
#include <vector>

#include "capture/CaptureGraph.h"

namespace tavelin::test {

class NewsLog {
public:
    explicit NewsLog(CCaptureGraph& graph) : graph_(graph) {}

    // Steps until `done` holds; false when the camera gave up or after `steps` frames.
    template <class Condition>
    bool StepUntil(const Condition& done, int steps = 600) {
        for (int i = 0; i < steps && !done(); ++i) {
            const bool gaveUp = graph_.WaitForNewFrame();
            Take();
            if (gaveUp)
                return done();
        }
        return done();
    }
    void Take() {
        for (GraphNews& news : graph_.TakeNews())
            all.push_back(std::move(news));
    }

    int Count(GraphNews::Kind kind) const {
        return static_cast<int>(std::count_if(all.begin(), all.end(),
                                              [&](const GraphNews& n) { return n.kind == kind; }));
    }
    // The last news of that kind; null when none came.
    const GraphNews* Last(GraphNews::Kind kind) const {
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (it->kind == kind)
                return &*it;
        }
        return nullptr;
    }
    // Until the file started (true) or failed.
    bool AwaitStart() {
        StepUntil([&] { return started() || ended(); });
        return started() && Count(GraphNews::Kind::FileFailed) == 0;
    }
    // Until the file's end came: FileFinished (true) or FileFailed.
    bool AwaitEnd() {
        StepUntil([&] { return ended(); });
        return Count(GraphNews::Kind::FileFinished) > 0;
    }
    bool started() const { return Count(GraphNews::Kind::FileStarted) > 0; }
    bool ended() const {
        return Count(GraphNews::Kind::FileFinished) + Count(GraphNews::Kind::FileFailed) > 0;
    }
    void Clear() { all.clear(); }

    std::vector<GraphNews> all;

private:
    CCaptureGraph& graph_;
};

}  // namespace tavelin::test
