#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "cli/conversion.h"
#include "core/failure.h"
#include "core/file_save.h"

namespace cli {

ConvertRequest BatchItem(const ConvertRequest& shared, const std::string& out_dir,
                         const std::string& input) {
    ConvertRequest item = shared;
    const std::string stem =
        (std::filesystem::path(out_dir) / std::filesystem::path(input).stem()).string();
    item.input = input;
    item.output = stem + ".bmp";
    item.keys_path = stem + ".txt";
    item.remove_keys_on_failure = true;
    return item;
}

namespace {

// What a batch has done so far; shared by its workers.
class BatchReport {
  public:
    BatchReport(std::ostream& err, std::size_t total, bool show_progress)
        : err_(err), total_(total), show_progress_(show_progress) {}

    void Finished(const std::string& input, const std::vector<std::string>& notes,
                  const std::string& failure) {
        const std::lock_guard lock(mutex_);
        ++done_;
        if (show_progress_ && !notes.empty()) err_ << "\r\033[K";
        for (const std::string& note : notes) err_ << MessageAbout(input, note) << '\n';
        if (!failure.empty()) {
            ++failed_;
            if (show_progress_) err_ << "\r\033[K";  // the message replaces the progress line
            err_ << MessageAbout(input, failure) << '\n';
        }
        if (show_progress_) {
            err_ << "\rconverted " << done_ << " of " << total_;
            if (failed_ > 0) err_ << ", " << failed_ << " failed";
            if (done_ == total_) err_ << '\n';
        }
        err_.flush();
    }

    [[nodiscard]] bool AnyFailed() const {
        const std::lock_guard lock(mutex_);
        return failed_ > 0;
    }

  private:
    std::ostream& err_;
    const std::size_t total_;
    const bool show_progress_;
    mutable std::mutex mutex_;
    std::size_t done_ = 0;
    std::size_t failed_ = 0;
};

}  // namespace

int RunBatch(const ParsedArguments& parsed, std::ostream& err, bool show_progress) {
    std::error_code error;
    std::filesystem::create_directories(parsed.out_dir, error);
    if (error) {
        err << MessageAbout(parsed.out_dir, core::CannotCreate(core::FullPath(parsed.out_dir),
                                                               core::SystemErrorText(error.value()))
                                                .what())
            << '\n';
        return kExitFailure;
    }

    const std::vector<std::string>& inputs = parsed.inputs;
    // No input's files may be another input, or another input's files: those
    // inputs fail as a whole before anything is converted.
    std::vector<std::string> outputs;
    std::vector<std::size_t> owner;
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        for (std::string& output :
             OutputsOf(BatchItem(parsed.request, parsed.out_dir, inputs[index]))) {
            outputs.push_back(std::move(output));
            owner.push_back(index);
        }
    }
    const std::vector<bool> clashing = core::FindClashingOutputs(inputs, outputs);
    std::vector<std::string> clash(inputs.size());
    for (std::size_t i = outputs.size(); i-- > 0;) {
        if (clashing[i]) clash[owner[i]] = outputs[i];
    }

    BatchReport report(err, inputs.size(), show_progress);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t index; (index = next++) < inputs.size();) {
            std::vector<std::string> notes;
            std::string failure;
            try {
                if (!clash[index].empty()) {
                    throw core::SameFileAsInput(core::FullPath(clash[index]));
                }
                Convert(BatchItem(parsed.request, parsed.out_dir, inputs[index]), nullptr, &notes);
            } catch (...) {
                failure = FailureText(std::current_exception());
            }
            report.Finished(inputs[index], notes, failure);
        }
    };

    unsigned jobs = parsed.jobs != 0 ? parsed.jobs : std::thread::hardware_concurrency();
    jobs = static_cast<unsigned>(std::min<std::size_t>(std::max(jobs, 1u), inputs.size()));
    std::vector<std::jthread> workers;
    for (unsigned i = 1; i < jobs; ++i) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer workers still finish the job
        }
    }
    work();
    workers.clear();  // joins
    return report.AnyFailed() ? kExitFailure : kExitOk;
}

}  // namespace cli
