// quantaline-cli matrix, end to end, and the library of known matrices in info. Each
// encoder format is handed to its real consumer: the encoder must give back the same
// matrices, read by our own analysis.

#include "support/cli_run.h"
#include "support/environment.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>

namespace quantaline::test {
namespace {

using Outcome = cli_run::CliRun;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs a shell command line in `dir`, its output and errors captured.
Outcome shell(const TempDir& dir, const std::string& command_line) {
    const auto out = dir.file(".out"), err = dir.file(".err");
    const int status = std::system(("cd " + quoted(dir.path().string()) + " && " + command_line +
                                    " >" + quoted(out) + " 2>" + quoted(err))
                                       .c_str());
    Outcome result{.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                   .out = read_all(out),
                   .err = read_all(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

Outcome cli(const TempDir& dir, const std::vector<std::string>& arguments) {
    return cli_run::run_cli(arguments, {.working_folder = dir.path().string()});
}

// Whether `tool` runs here; the reason to skip otherwise.
bool installed(const std::string& tool) {
    return std::system((tool + " -version >/dev/null 2>&1 || " + tool + " --help >/dev/null 2>&1")
                           .c_str()) == 0;
}

// Every test of this program sees an empty per-user matrix folder of its own, whatever
// the account running the tests keeps in ~/.config.
class EmptyUserLibrary : public testing::Environment {
  public:
    void SetUp() override {
        config_ = std::make_unique<TempDir>();
        set_environment("XDG_CONFIG_HOME", config_->path().string());
    }
    void TearDown() override { config_.reset(); }
    static std::filesystem::path matrices() {
        return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "Quantaline" / "matrices";
    }

  private:
    std::unique_ptr<TempDir> config_;
};
[[maybe_unused]] testing::Environment* const empty_user_library =
    testing::AddGlobalTestEnvironment(new EmptyUserLibrary);

// A stream whose matrices use many different values in no symmetric layout: intra 2 to
// 65 and non-intra 255 down to 192, in stream (zigzag) order.
std::vector<std::uint8_t> distinct_matrices_stream(std::uint8_t last_non_intra = 192) {
    ScanMatrix intra{}, non_intra{};
    for (std::size_t i = 0; i < 64; ++i) {
        intra[i] = static_cast<std::uint8_t>(i + 2);
        non_intra[i] = static_cast<std::uint8_t>(255 - i);
    }
    non_intra[63] = last_non_intra;
    StreamBuilder stream;
    stream.sequence_header({.horizontal_size = 352,
                            .vertical_size = 288,
                            .frame_rate_code = 3,
                            .intra = intra,
                            .non_intra = non_intra});
    return stream.bytes();
}

const std::string test_source = "-f lavfi -i testsrc2=size=352x288:rate=25 -frames:v 3";

// Our analysis of what the encoder made gives back the source's matrices, cell for cell.
void expect_same_matrices(const TempDir& dir, const std::string& source) {
    const Outcome expected = cli(dir, {"matrix", source, "--format", "csv"});
    const Outcome actual = cli(dir, {"matrix", dir.file("encoded.m2v"), "--format", "csv"});
    ASSERT_EQ(actual.status, 0) << actual.err;
    EXPECT_EQ(actual.out, expected.out);
    EXPECT_EQ(expected.out.substr(0, 16), "2,3,7,8,16,17,29");
}

TEST(CliMatrix, FfmpegEncodesWithThePrintedOptions) {
    if (!installed("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed (Debian package ffmpeg): the ffmpeg format "
                        "cannot be handed to its consumer";
    }
    TempDir dir;
    const std::string source = dir.write("source.m2v", distinct_matrices_stream());
    const Outcome options = cli(dir, {"matrix", source, "--format", "ffmpeg"});
    ASSERT_EQ(options.status, 0) << options.err;
    ASSERT_EQ(options.out.find('\n'), options.out.size() - 1); // one line

    const Outcome encoded =
        shell(dir, "ffmpeg -nostdin -loglevel error -y " + test_source + " -c:v mpeg2video " +
                       options.out.substr(0, options.out.size() - 1) + " encoded.m2v");
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    expect_same_matrices(dir, source);
}

TEST(CliMatrix, Mpeg2encEncodesWithTheWrittenFile) {
    if (!installed("ffmpeg") || !installed("mpeg2enc")) {
        GTEST_SKIP() << "mpeg2enc (Debian package mjpegtools) or ffmpeg, which makes its "
                        "input, is not installed: the mpeg2enc format cannot be checked";
    }
    TempDir dir;
    // 50 two-byte characters: the comment line is cut to the 79 bytes mpeg2enc reads in one
    // piece; one byte more and it would take the rest for a line of values.
    std::string name;
    for (int i = 0; i < 50; ++i) {
        name += "\xC3\xA9";
    }
    const std::string source = dir.write(name + ".m2v", distinct_matrices_stream());
    const Outcome written =
        cli(dir, {"matrix", source, "--format", "mpeg2enc", "--output", dir.file("matrices.txt")});
    ASSERT_EQ(written.status, 0) << written.err;
    const std::string file = read_all(dir.file("matrices.txt"));
    EXPECT_EQ(file, "# " + name.substr(0, 76) + "\n" +
                        cli(dir, {"matrix", source, "--format", "csv"}).out);

    const Outcome encoded = shell(dir, "ffmpeg -nostdin -loglevel error " + test_source +
                                           " -f yuv4mpegpipe -pix_fmt yuv420p - | mpeg2enc -v 1 "
                                           "-f 3 -b 5000 -K file=matrices.txt -o encoded.m2v");
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    // mpeg2enc exits 0 even when it refuses the file; it then says so.
    EXPECT_EQ(encoded.err.find("ERROR"), std::string::npos) << encoded.err;
    expect_same_matrices(dir, source);
}

TEST(CliMatrix, TextIsInfosMatrixPartAndOutputIsTheSameBytes) {
    TempDir dir;
    const std::string source = dir.write("source.m2v", distinct_matrices_stream());
    const Outcome info = cli(dir, {"info", source});
    ASSERT_EQ(info.status, 0) << info.err;
    const Outcome text = cli(dir, {"matrix", source});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, info.out.substr(info.out.find("\n\n") + 2));
    EXPECT_EQ(text.out.rfind("Matrice INTRA-BLOCK speciale\n   2   3   7   8  16  17  29  30\n", 0),
              0u);

    for (const char* format : {"text", "csv", "ffmpeg", "mpeg2enc"}) {
        SCOPED_TRACE(format);
        const Outcome printed = cli(dir, {"matrix", "--format", format, source});
        const std::string path = dir.file(std::string("out.") + format);
        dir.write_text(std::string("out.") + format, "previous content, longer than some");
        const Outcome written = cli(dir, {"matrix", source, "--output", path, "--format", format});
        EXPECT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(read_all(path), printed.out);
    }
}

TEST(CliMatrix, FailuresKeepThePreviousFile) {
    TempDir dir;
    const std::string source = dir.write("source.m2v", distinct_matrices_stream());
    const std::string zero = dir.write("zero.m2v", distinct_matrices_stream(0));
    const std::string kept = dir.file("kept.txt");
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string in_err;
    } cases[] = {
        {{"matrix", source, "--format", "xml"}, 2, "unknown format for matrix: xml"},
        {{"matrix", zero, "--format", "mpeg2enc", "--output", kept},
         1,
         "que mpeg2enc refuse (il n'accepte que les valeurs de 1 à 255)"},
        {{"matrix", zero, "--format", "mpeg2enc"}, 1, "Le fichier n'a pas été écrit."},
        {{"matrix", dir.file("missing.m2v"), "--output", kept}, 1, "has not been written"},
        {{"matrix", source, "--output", dir.file("no/folder.txt")},
         1,
         "Le fichier [" + dir.file("no/folder.txt") + "] n'a pas pu être écrit : "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        dir.write_text("kept.txt", "kept");
        const Outcome run = cli(dir, c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.in_err), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(read_all(kept), "kept");
    }
    // A file that gives a message has no matrices to hand on: a script reading standard
    // output gets nothing, whatever the format, and the message is on standard error.
    StreamBuilder late;
    late.fill_to(300'000).sequence_header({});
    const std::string no_header = dir.write("no-header.vob", late.bytes());
    for (const auto& [file, title] :
         {std::pair{dir.file("missing.m2v"), std::string("impossible de lire le fichier...")},
          std::pair{no_header, std::string("Aucune séquence MPEG...")}}) {
        for (const char* format : {"text", "csv", "ffmpeg", "mpeg2enc"}) {
            SCOPED_TRACE(file + " " + format);
            const Outcome run = cli(dir, {"matrix", file, "--format", format});
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(file + ": " + title), std::string::npos) << run.err;
        }
    }
}

TEST(CliInfo, NamesTheMatricesOfTheLibrary) {
    TempDir dir;
    const std::string source = dir.write("source.m2v", distinct_matrices_stream());
    const Outcome csv = cli(dir, {"matrix", source, "--format", "csv"});
    const auto folder = EmptyUserLibrary::matrices();
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(dir.write_text("x", "# mine\r\n" + csv.out), folder / "mine.txt");
    std::filesystem::copy_file(dir.write_text("y", csv.out.substr(4)), folder / "broken.txt");

    const Outcome text = cli(dir, {"info", source});
    std::filesystem::remove_all(folder);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "quantaline-cli: Matrices connues: Le fichier de matrices [broken.txt] "
                        "n'est pas valable (ligne 1 : 6 valeurs au lieu de 8) : il est ignoré.\n");
    EXPECT_NE(text.out.find("\nMatrice INTRA-BLOCK speciale (mine)\n"), std::string::npos);
    EXPECT_NE(text.out.find("\nMatrice non INTRA-BLOCK speciale (mine)\n"), std::string::npos);

    // Without the user's file, the nearest built-in matrix and its distance (worked out
    // by hand from the data file: kvcd is nearest for both).
    const Outcome json = cli(dir, {"info", "--json", source});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find(",\"non_intra_from_stream\":true,"
                            "\"intra_match\":{\"name\":\"mpeg2enc kvcd\",\"distance\":427},"
                            "\"non_intra_match\":{\"name\":\"mpeg2enc kvcd\",\"distance\":12374},"
                            "\"messages\":[]}\n"),
              std::string::npos)
        << json.out;
}

} // namespace
} // namespace quantaline::test
