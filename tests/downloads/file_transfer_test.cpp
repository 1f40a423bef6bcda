#include "downloads/file_transfer.h"

#include "downloads/progress_throttle.h"
#include "downloads/transfer_folder.h"
#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "errors/url_error.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/crypto/digest.h"
#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"
#include "support/drive_until.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <future>
#include <sys/stat.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using loopback::FakeFault;
using loopback::FakeSubsonicServer;

std::size_t filesIn(const std::filesystem::path& folder) {
    if (!std::filesystem::exists(folder)) return 0;
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

struct FileTransferTest : ::testing::Test {
    loopback::FakeSubsonicServer server;
    test::TempDir dir;
    std::filesystem::path folder = dir.path() / "server" / "Transfers";
    VirtualClock clock;
    ManualExecutor main{clock};
    std::shared_ptr<HttpTransport> session = NetworkSecurity::session();
    APIClient client{ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main, session};
    std::string body = std::string(300'000, 'x');

    std::vector<double> fractions;
    std::vector<std::pair<std::int64_t, std::optional<std::int64_t>>> counts;
    std::mutex mutex;

    void SetUp() override {
        server.setMethod("download", [this](const loopback::FakeRequest&, httplib::Response& res) {
            res.set_content(body, "audio/flac");
        });
    }

    std::unique_ptr<FileTransfer> makeTransfer() {
        return std::make_unique<FileTransfer>(
            session, folder, main,
            [this](double fraction) {
                std::lock_guard lock(mutex);
                fractions.push_back(fraction);
            },
            [this](std::int64_t received, std::optional<std::int64_t> expected) {
                std::lock_guard lock(mutex);
                counts.emplace_back(received, expected);
            });
    }

    std::future<FileTransfer::Result> start(FileTransfer& transfer) {
        auto request = client.downloadRequest("s1", DownloadQuality::original);
        return std::async(std::launch::async, [&transfer, request] { return transfer.download(request); });
    }

    FileTransfer::Result finish(std::future<FileTransfer::Result>& result) {
        test::driveUntil(main, [&] { return result.wait_for(0s) == std::future_status::ready; });
        return result.get();
    }
};

TEST_F(FileTransferTest, StreamsTheBodyIntoAPrivatePartFile) {
    auto transfer = makeTransfer();
    auto pending = start(*transfer);
    auto result = finish(pending);

    EXPECT_EQ(result.response.status, 200);
    EXPECT_EQ(result.file.parent_path(), folder);
    EXPECT_EQ(result.file.extension(), ".part");
    EXPECT_TRUE(isUUID(result.file.stem().string()));
    for (char c : result.file.stem().string())
        EXPECT_FALSE(c >= 'a' && c <= 'f');
    EXPECT_EQ(test::readFile(result.file), body);

    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Accept-Encoding"), "identity");

    // Time stands still: the first report passes, later ones are held back
    // until the one that completes the length.
    std::lock_guard lock(mutex);
    ASSERT_GE(fractions.size(), 1u);
    EXPECT_LE(fractions.size(), 2u);
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
    EXPECT_EQ(counts.back(), (std::pair<std::int64_t, std::optional<std::int64_t>>(300'000, 300'000)));
}

TEST_F(FileTransferTest, RefusedAnswersLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void(std::exception_ptr)> check;
    };
    auto httpStatus = [](int status) {
        return [status](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const APIError& api) {
                EXPECT_EQ(api.kind(), APIError::Case::http);
                EXPECT_EQ(api.code(), status);
            }
        };
    };
    auto invalid = [](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const AudioFailure& failure) {
            EXPECT_EQ(failure.kind(), AudioFailure::Case::invalidResponse);
        }
    };
    const Case cases[] = {
        {"server error", [&] { server.injectFault(loopback::FakeFault::status(500), 1, "download"); },
         httpStatus(500)},
        {"redirect",
         [&] {
             server.injectFault(loopback::FakeFault::redirectTo(server.baseUrl() + "/elsewhere"), 1,
                                "download");
         },
         httpStatus(302)},
        {"empty body", [&] { body.clear(); }, invalid},
    };
    bool elsewhereRequested = false;
    server.setRoute("/elsewhere", [&](const loopback::FakeRequest&, httplib::Response& res) {
        elsewhereRequested = true;
        res.set_content(body, "audio/flac");
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        auto transfer = makeTransfer();
        auto pending = start(*transfer);
        std::exception_ptr error;
        try {
            finish(pending);
        } catch (...) {
            error = std::current_exception();
        }
        ASSERT_TRUE(error);
        c.check(error);
        EXPECT_EQ(filesIn(folder), 0u);
    }
    EXPECT_FALSE(elsewhereRequested);
}

TEST_F(FileTransferTest, CancelBeforeTheStartSendsNothing) {
    auto transfer = makeTransfer();
    transfer->cancel();
    auto pending = start(*transfer);
    EXPECT_THROW(finish(pending), CancellationError);
    EXPECT_EQ(server.requestCount("download"), 0u);
}

TEST_F(FileTransferTest, CancelAndTotalTimeoutEndARunningTransfer) {
    for (bool timeout : {false, true}) {
        SCOPED_TRACE(timeout ? "total timeout" : "cancel");
        server.clearRequests();
        server.injectFault(loopback::FakeFault::stalled(), 1, "download");
        auto transfer = makeTransfer();
        auto pending = start(*transfer);
        // Wait until the first half of the body has arrived.
        main.runUntil([&] {
            std::lock_guard lock(mutex);
            return !counts.empty();
        });
        if (timeout) {
            clock.advance(FileTransfer::totalTimeout - 1s);
            EXPECT_EQ(pending.wait_for(0s), std::future_status::timeout);
            clock.advance(1s);
        } else {
            transfer->cancel();
        }
        try {
            finish(pending);
            ADD_FAILURE() << "the transfer succeeded";
        } catch (const URLError& error) {
            EXPECT_EQ(error.code(), timeout ? URLError::timedOut : URLError::cancelled);
        }
        EXPECT_EQ(filesIn(folder), 0u);
        server.releaseStalled();
        std::lock_guard lock(mutex);
        counts.clear();
    }
}

TEST(ProgressThrottle, FirstReportThenTenASecondPlusTheLast) {
    VirtualClock clock;
    ProgressThrottle throttle(clock.steady());
    EXPECT_TRUE(throttle.admit(10, 1000));
    clock.advance(50ms);
    EXPECT_FALSE(throttle.admit(20, 1000));
    EXPECT_TRUE(throttle.admit(1000, 1000)); // completes the total
    clock.advance(99ms);
    EXPECT_FALSE(throttle.admit(1000, std::nullopt));
    clock.advance(1ms);
    EXPECT_TRUE(throttle.admit(1000, std::nullopt));
}

TEST(TransferFolder, IsMadePrivateAndRefusesALink) {
    test::TempDir dir;
    const auto folder = dir.path() / "a" / "Transfers";
    prepareTransferFolder(folder);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    std::filesystem::permissions(folder, std::filesystem::perms::all);
    prepareTransferFolder(folder);
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const auto link = dir.path() / "Link";
    std::filesystem::create_directory_symlink(folder, link);
    EXPECT_THROW(prepareTransferFolder(link), std::filesystem::filesystem_error);
}

} // namespace
} // namespace sorvalind
