// The benchmarks' MJPEG viewer: the parts of a stream come out whole and in order
// whether the server sends them plainly or in chunks cut anywhere, and a broken stream
// ends the reading with a reason instead of a wrong part.

#include "bench/support/MjpegStreamReader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <thread>
#include <vector>

#include "core/Handle.h"

namespace {

using tavelin::UniqueFd;
using tavelin::bench::CMjpegStreamReader;
using tavelin::bench::MjpegPart;

std::string Part(const std::string& body, const std::string& extra = "") {
    return "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nX-Capture-Monotonic-Ns: " + std::to_string(body.size() * 1000) + "\r\n" + extra +
           "\r\n" + body + "\r\n";
}

// The answer as sent: its head, then the body plainly (chunk 0) or cut into chunks.
std::string Answer(const std::string& head, const std::string& body, std::size_t chunk) {
    std::string headers = head;
    if (chunk == 0)
        return headers + "\r\n" + body;
    headers += "Transfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += chunk) {
        const std::string piece = body.substr(at, chunk);
        char size[32];
        std::snprintf(size, sizeof size, "%zx;ext=1\r\n", piece.size());
        headers += size + piece + "\r\n";
    }
    return headers + "0\r\n\r\n";
}

const std::string kHead =
    "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n";
const std::string kBig(70000, '\x55');  // more than one read of the reader
const std::string kThreeParts = Part("\xFF\xD8one\xFF\xD9") + Part(kBig) + Part("third");

struct Case {
    const char* name;
    std::string answer;
    int status;
    std::vector<std::string> bodies;  // the parts expected, in order
    bool cleanEnd;                    // the stream ends without an error afterwards
};

class MjpegStreamReaderTest : public ::testing::TestWithParam<Case> {};

TEST_P(MjpegStreamReaderTest, GivesWholePartsThenEnds) {
    const Case& c = GetParam();
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    UniqueFd reading(pair[0]);
    UniqueFd writing(pair[1]);
    // The answer may be larger than the socket holds: written from beside the reader.
    std::thread writer([&] {
        std::size_t sent = 0;
        while (sent < c.answer.size()) {
            const ssize_t n =
                send(writing.get(), c.answer.data() + sent, c.answer.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        shutdown(writing.get(), SHUT_WR);
    });

    CMjpegStreamReader reader(reading.get());
    int status = 0;
    const bool head = reader.ReadHead(status);
    EXPECT_EQ(status, c.status);
    std::vector<std::string> bodies;
    MjpegPart part;
    while (head && reader.ReadPart(part)) {
        EXPECT_EQ(part.Header("x-capture-monotonic-ns"), std::to_string(part.body.size() * 1000));
        bodies.push_back(part.body);
    }
    shutdown(reading.get(), SHUT_RD);
    writer.join();

    EXPECT_EQ(bodies, c.bodies);
    EXPECT_EQ(head && reader.error().empty(), c.cleanEnd) << reader.error();
}

const std::vector<std::string> kThreeBodies = {"\xFF\xD8one\xFF\xD9", kBig, "third"};

INSTANTIATE_TEST_SUITE_P(
    Streams, MjpegStreamReaderTest,
    ::testing::Values(
        Case{"Plain", Answer(kHead, kThreeParts, 0), 200, kThreeBodies, true},
        Case{"ChunksOfOneByte", Answer(kHead, kThreeParts, 1), 200, kThreeBodies, true},
        Case{"ChunksCuttingLineEnds", Answer(kHead, kThreeParts, 7), 200, kThreeBodies, true},
        Case{"LargeChunks", Answer(kHead, kThreeParts, 65536), 200, kThreeBodies, true},
        Case{"ClosingBoundary",
             Answer(kHead, Part("a") + "--frame--\r\n" + Part("b"), 0),
             200,
             {"a"},
             true},
        Case{"HeaderNamesInAnyCaseQuotedBoundary",
             Answer("HTTP/1.0 200 OK\r\ncontent-TYPE: multipart/x-mixed-replace;"
                    "boundary=\"frame\"\r\n",
                    Part("a", "x-extra: 1\r\n"), 5),
             200,
             {"a"},
             true},
        Case{"CutWithinAPart",
             Answer(kHead, Part("first") + Part(kBig).substr(0, 1000), 0),
             200,
             {"first"},
             false},
        Case{"PartWithoutLength",
             Answer(kHead, "--frame\r\nContent-Type: image/jpeg\r\n\r\nxyz\r\n", 0),
             200,
             {},
             false},
        Case{"AnotherBoundary", Answer(kHead, Part("a") + "--other\r\n\r\n", 0), 200, {"a"}, false},
        Case{"LineBeyondBound",
             Answer(kHead, "--frame\r\nX-Long: " + std::string(20000, 'x') + "\r\n", 0),
             200,
             {},
             false},
        Case{"Refused", "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n", 401, {}, false},
        Case{
            "NotMultipart", "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n", 200, {}, false}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
