// vels5-table run on files written here: JSON lines, CSV, templates, refusals, exit status.
#include "core/common/cp1251.h"
#include "tests/common/tools_dir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

const std::string kTool = test::ToolsDir() + "/vels5-table/vels5-table";

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

class TableTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "vels5-table-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    // Writes UTF-8 lines as a Windows-1251 file with CR LF; returns its path.
    std::string Write(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << core::Utf8ToCp1251(text);
        return path;
    }

    ToolRun Tool(const std::string& args) {
        const std::string errPath = m_dir + "/stderr.txt";
        const std::string command = "'" + kTool + "' " + args + " 2>'" + errPath + "'";
        ToolRun run;
        std::FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return run;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            run.out.append(buf, n);
        const int wait = pclose(pipe);
        run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
        std::stringstream err;
        err << std::ifstream(errPath).rdbuf();
        run.err = err.str();
        return run;
    }

    std::string m_dir;
};

const std::string kUnitRow = "12:34:56;    5;   4,985В;   4,321В;   0,123дБ/м";

TEST_F(TableTool, PrintsOneObjectPerRecordWithTheRebuiltRow) {
    const std::string path = Write("t.txt", {kUnitRow, "00:00:07; 12345;   4,985;   0,5;   -0,25"});
    const ToolRun run = Tool("'" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.Lines(),
        (std::vector<std::string>{
            R"({"line":1,"time":"12:34:56","T":5,"Ui":4.321,"m":0.123,"row":"12:34:56;    5;   4,985;    4,321;    0,123"})",
            R"({"line":2,"time":"00:00:07","T":12345,"Ui":0.5,"m":-0.25,"row":"00:00:07;12345;   4,985;    0,5;    -0,25"})"}));
}

TEST_F(TableTool, DelimiterAndUnitsShapeTheRows) {
    const std::string path = Write("t.txt", {kUnitRow});
    const ToolRun run = Tool("--units on --delim '|x' '" + path + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(R"("row":"12:34:56|    5|   4,985В|   4,321В|   0,123дБ/м"})"),
              std::string::npos)
        << run.out;
    EXPECT_NE(Tool("--delim '\"' '" + path + "'").out.find(R"("row":"12:34:56\"    5\")"),
              std::string::npos);
}

TEST_F(TableTool, RefusedFilesPrintTheWindowsMessage) {
    const std::string good = "10:00:00;    1;   4,985;    1,000;    0,100";
    ToolRun run =
        Tool("'" + Write("bad.txt", {good, good, good, "10:00:00;  1;4,985;  4,321"}) + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "{\"error\":\"Файл таблицы повреждён\",\"line\":4}\n");
    run = Tool("--csv '" + Write("empty.txt", {}) + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "{\"error\":\"Файл таблицы пустой\",\"line\":0}\n");
    run = Tool("'" + Write("time.txt", {good, "1O:00:00;    1;   4,985;    1,000;    0,1"}) + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "{\"error\":\"'1O:00:00' is not a valid time\",\"line\":2}\n");
}

TEST_F(TableTool, CsvHasAPointAndAHeader) {
    const std::string path =
        Write("t.txt", {kUnitRow, "23:59:59;    6;   4,985;    1234;    -0,5"});
    const ToolRun run = Tool("--csv '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "time,T_s,Ui_V,m_dB_per_m\r\n12:34:56,5,4.321,0.123\r\n"
                       "23:59:59,6,1234,-0.5\r\n");
}

TEST_F(TableTool, TemplatesAsJsonAndCsv) {
    const std::string path =
        Write("tm.txt", {"    0;  0,050дБ", "    5;  -0,100дБ", "   10;  0,150"});
    ToolRun run = Tool("--template '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines(), (std::vector<std::string>{R"({"line":1,"T":0,"m":0.05})",
                                                     R"({"line":2,"T":5,"m":-0.1})",
                                                     R"({"line":3,"T":10,"m":0.15})"}));
    run = Tool("--csv --template '" + path + "'");
    EXPECT_EQ(run.out, "T_s,m_dB_per_m\r\n0,0.05\r\n5,-0.1\r\n10,0.15\r\n");
    run = Tool("--template '" + Write("two.txt", {"0;0,1", "5;0,2"}) + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "{\"error\":\"Файл шаблона пустой\",\"line\":0}\n");
    run = Tool("--template '" + Write("long.txt", {"0;0,1", std::string(31, '1'), "9;0,2"}) + "'");
    EXPECT_EQ(run.out, "{\"error\":\"Ошибка шаблона\",\"line\":2}\n");
}

TEST_F(TableTool, StandardInputAndUnreadableFiles) {
    const std::string path = Write("t.txt", {kUnitRow});
    ToolRun run = Tool("- < '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines().size(), 1u);
    run = Tool("'" + m_dir + "/absent.txt'");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("cannot read " + m_dir + "/absent.txt: No such file or directory"),
              std::string::npos)
        << run.err;
    run = Tool("'" + m_dir + "'"); // a folder
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot read"), std::string::npos);
}

// Table rows of a curve: one record a second from T 0, m from `values` (dB/m).
std::vector<std::string> CurveRows(const std::vector<double>& values) {
    std::vector<std::string> rows;
    for (std::size_t t = 0; t < values.size(); ++t) {
        char m[32];
        std::snprintf(m, sizeof m, "%.3f", values[t]);
        std::string text = m;
        text.replace(text.find('.'), 1, ",");
        char row[96];
        std::snprintf(row, sizeof row, "10:%02zu:%02zu;%5zu;   4,985;    4,900;    %s", t / 60,
                      t % 60, t, text.c_str());
        rows.push_back(row);
    }
    return rows;
}

// ТП1 from a start at 10 s: clean air, then 0,3 dB/m from 30 to 32 s (the upper limit there
// is 0,05), then a rise that reaches 0,75 dB/m at 300 s after the start.
std::vector<double> Tp1Curve() {
    std::vector<double> m(330, 0.01);
    for (int t = 30; t <= 32; ++t)
        m[static_cast<std::size_t>(t)] = 0.3 - 0.01 * (t - 30);
    for (int t = 200; t < 330; ++t)
        m[static_cast<std::size_t>(t)] = std::min(0.75, 0.01 + (t - 200) * 0.0074);
    return m;
}

TEST_F(TableTool, CheckPrintsTheVerdictOfTheBand) {
    const std::string path = Write("fire.txt", CurveRows(Tp1Curve()));
    ToolRun run = Tool("--check ТП1 --start 10 '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    // m reaches 0,75 at log 300 s: 290 s after the start.
    EXPECT_EQ(run.out, R"({"fire":"ТП1","start":10.0,"inside":false,"end":290.0,"checked":291,)"
                       R"("violations":[{"from":20,"to":22,"side":"upper","extreme":0.3}],)"
                       R"("gaps":[],"ended":true,)"
                       R"x("verdict":"ТП1: выше границы с 20 по 22 с (макс. 0,300 дБ/м)"})x"
                       "\n");
    // Started after the excursion and ended early: inside.
    run = Tool("--check TP1 --start 32,5 --end 100.5 '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, R"({"fire":"ТП1","start":32.5,"inside":true,"end":68.0,"checked":68,)"
                       R"("violations":[],"gaps":[],"ended":true,"verdict":"ТП1: в допуске"})"
                       "\n");
}

TEST_F(TableTool, CheckNeverClaimsMoreThanTheRecordsShow) {
    const std::string path = Write("clean.txt", CurveRows(std::vector<double>(60, 0.01)));
    // A fire start after the last record: nothing was checked.
    ToolRun run = Tool("--check ТП1 --start 200 '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, R"({"fire":"ТП1","start":200.0,"inside":false,"end":0.0,"checked":0,)"
                       R"("violations":[],"gaps":[],"ended":false,"verdict":"ТП1: нет данных"})"
                       "\n");
    // m has not reached 0,75 dB/m: inside as far as the records go, the test not over.
    run = Tool("--check ТП1 --start 0 '" + path + "'");
    EXPECT_NE(run.out.find(R"("inside":true,"end":59.0,"checked":60,"violations":[],"gaps":[],)"
                           R"("ended":false,"verdict":"ТП1: в допуске до 59 с, )"
                           R"(испытание не завершено"})"),
              std::string::npos)
        << run.out;
}

TEST_F(TableTool, BreaksOfTheLinkInTheMarksBesideTheFileAreListedAndChecked) {
    // Records each second to 120 s, none from 121 to 127 s: the link was broken.
    std::vector<std::string> rows = CurveRows(std::vector<double>(200, 0.01));
    rows.erase(rows.begin() + 121, rows.begin() + 128);
    const std::string table = Write("fire.txt", rows);
    Write("fire.txt.test.txt", {"ВЕЛС-5 испытание", "Пожар=ТП1", "Пуск=20", "Разрыв=120;128"});
    ToolRun run = Tool("'" + table + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_NE(lines[120].find(R"("T":120,)"), std::string::npos) << lines[120];
    EXPECT_EQ(lines[121], R"({"gap":[120,128]})");
    EXPECT_NE(lines[122].find(R"("T":128,)"), std::string::npos) << lines[122];
    // CSV keeps its columns.
    EXPECT_EQ(Tool("--csv '" + table + "'").out.find("gap"), std::string::npos);

    run = Tool("--marks '" + table + ".test.txt' '" + table + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(R"("gaps":[],"linkGaps":[{"gap":[100,108]}],)"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("в допуске до 179 с, испытание не завершено; разрыв связи 100–108 с"),
              std::string::npos)
        << run.out;
}

TEST_F(TableTool, CheckTakesTheStartAndTheEndFromAMarksFile) {
    const std::string table = Write("fire.txt", CurveRows(Tp1Curve()));
    // Both detectors alarmed by 25,4 s: the check ends there, before the excursion at 30 s.
    const std::string marks =
        Write("fire.txt.test.txt", {"ВЕЛС-5 испытание", "Пожар=ТП1", "Пуск=10,0",
                                    "Извещатель=И1;21,0;0,120", "Извещатель=И2;25,4;0,200"});
    ToolRun run = Tool("--marks '" + marks + "' '" + table + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(R"("start":10.0,"inside":true,"end":15.4,"checked":16,)"),
              std::string::npos)
        << run.out;
    // --check and --end take precedence over the file.
    run = Tool("--check TP2 --end 20 --marks '" + marks + "' '" + table + "'");
    EXPECT_NE(run.out.find(R"({"fire":"ТП2","start":10.0,"inside":true,"end":10.0,)"),
              std::string::npos)
        << run.out;
    // A marks file without a fire start cannot be checked; a damaged one is refused.
    run = Tool("--marks '" + Write("nostart.txt", {"ВЕЛС-5 испытание", "Пожар=ТП1"}) + "' '" +
               table + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("no fire start"), std::string::npos) << run.err;
    run =
        Tool("--marks '" + Write("bad.txt", {"ВЕЛС-5 испытание", "Пуск=x"}) + "' '" + table + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "{\"error\":\"Файл испытания повреждён\",\"line\":2}\n");
}

TEST_F(TableTool, CheckArguments) {
    const std::string path = Write("t.txt", {kUnitRow});
    EXPECT_EQ(Tool("--check TP1 '" + path + "'").status, 2);           // no start
    EXPECT_EQ(Tool("--check TP9 --start 1 '" + path + "'").status, 2); // no such fire
    EXPECT_EQ(Tool("--start 1 '" + path + "'").status, 2);             // no check
    EXPECT_EQ(Tool("--check TP1 --start 1.2.3 '" + path + "'").status, 2);
    EXPECT_EQ(Tool("--check TP1 --start 70000 '" + path + "'").status, 2);
    EXPECT_EQ(Tool("--check TP1 --start 0 --template '" + path + "'").status, 2);
    EXPECT_EQ(Tool("--check TP1 --start 0 '" + path + "'").status, 0);
}

TEST_F(TableTool, ArgumentsAndHelp) {
    const std::string path = Write("t.txt", {kUnitRow});
    EXPECT_EQ(Tool("").status, 2);
    EXPECT_EQ(Tool("--units maybe '" + path + "'").status, 2);
    EXPECT_EQ(Tool("--bogus '" + path + "'").status, 2);
    EXPECT_EQ(Tool("'" + path + "' '" + path + "'").status, 2);
    const ToolRun help = Tool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("vels5-table --template [--csv] TEMPLATE-FILE"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    EXPECT_NE(help.out.find("vels5-table --check FIRE --start SECONDS"), std::string::npos);
    EXPECT_NE(help.out.find("--marks"), std::string::npos);
}

} // namespace

TEST_F(TableTool, ListsTheJournalsOfAFolder) {
    const std::string row1 = "14:05:09;    0;   4,985;   4,500;   0,250";
    const std::string row2 = "14:05:10;    1;   4,985;   4,400;   0,300";
    Write("2026-01-31_14-05-09.txt", {row1, row2});
    Write("2026-01-31_14-05-09.txt.test.txt",
          {"ВЕЛС-5 испытание", "Пожар=ТП2", "Сохранён=/home/lab/t1.txt", "Завершён"});
    Write("2026-02-01_10-00-00.txt", {row1});
    Write("notes.txt", {row1});
    const ToolRun run = Tool("--journals '" + m_dir + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0], R"({"file":"2026-02-01_10-00-00.txt","start":"01.02.2026 10:00:00",)"
                        R"("readable":true,"records":1,"duration":0,"fire":"","verdict":"",)"
                        R"("closed":false,"offered":false,"saved":null})");
    EXPECT_NE(lines[1].find(R"("records":2,"duration":1,"fire":"ТП2")"), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(R"("closed":true,"offered":false,"saved":"/home/lab/t1.txt"})"),
              std::string::npos)
        << lines[1];

    EXPECT_EQ(Tool("--journals").status, 2);
    EXPECT_EQ(Tool("--journals '" + m_dir + "/absent'").status, 2);
    EXPECT_EQ(Tool("--journals '" + m_dir + "/notes.txt'").status, 2);
}
