// One program per user: later starts hand their documents to the running program over its
// socket; a socket left by an ended program is taken over; a hung one is left alone.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/instance.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

std::vector<std::vector<std::string>> g_arrivals;

void arrived(const std::vector<std::string>& documents) {
    g_arrivals.push_back(documents);
    QuitCurrentEventLoop();
}

class Instance : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        g_arrivals.clear();
    }
    void TearDown() override {
        instance_leave();
        ToolboxTest::TearDown();
    }
    // A later start, as another process would make it, while this one runs its loop.
    HandOver start_again(const std::vector<std::string>& documents) {
        HandOver result = HandOver::nobody;
        std::thread later([&] { result = instance_hand_over(socket_, documents, 5000); });
        RunCurrentEventLoop(5.0);
        later.join();
        return result;
    }
    // A socket bound at the program's path: listening, as a hung program's, or closed, as
    // one left by an ended program (then -1).
    int bind_socket(bool listening) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket_.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (listening && ::listen(fd, 4) == 0) return fd;
        ::close(fd);
        return -1;
    }

    TempDir dir_;
    std::string socket_ = dir_.file("orvilcast.socket");
};

TEST_F(Instance, ASocketLeftBehindIsTakenOverAndLaterStartsHandOverOnceEachInOrder) {
    EXPECT_EQ(instance_hand_over(socket_, {"/a.jpg"}, 5000), HandOver::nobody);
    bind_socket(false);
    EXPECT_EQ(instance_hand_over(socket_, {"/a.jpg"}, 5000), HandOver::nobody);
    ASSERT_FALSE(instance_join(dir_.path(), "orvilcast", {"/first.jpg"}, 5000, arrived))
        << "with no program running, this one runs";
    EXPECT_EQ(start_again({"/pictures/b.jpg", "/c.bmp", "/pictures/b.jpg"}), HandOver::taken);
    EXPECT_EQ(start_again({}), HandOver::taken);
    const std::vector<std::vector<std::string>> expected = {
        {"/pictures/b.jpg", "/c.bmp", "/pictures/b.jpg"}, {}};
    EXPECT_EQ(g_arrivals, expected);
}

TEST_F(Instance, AProgramThatDoesNotAnswerIsLeftAloneAndThisOneRuns) {
    const int hung = bind_socket(true);
    ASSERT_GE(hung, 0);
    EXPECT_FALSE(instance_join(dir_.path(), "orvilcast", {"/e.jpg"}, 50, arrived));
    EXPECT_EQ(instance_hand_over(socket_, {"/e.jpg"}, 50), HandOver::no_answer)
        << "the hung program keeps its socket";
    ::close(hung);
    EXPECT_TRUE(g_arrivals.empty());
}

}  // namespace
