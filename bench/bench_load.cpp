// The full model load (actLoadTeaData + LoadMyPaiOpt) of a large school: 100 classes,
// 300 teachers, 40 subjects, 5 days of 4 + 4 periods, with weekly periods, assignments,
// fixed lessons, time marks and conditions. The school is generated with a fixed seed
// straight into a temporary file; the peak resident memory is reported as a counter.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/loaders.h"
#include "store/schema.h"
#include "store/store.h"

namespace {

namespace fs = std::filesystem;
using tavrin::store::Store;

constexpr int kGrades = 10, kClassesPerGrade = 10, kTeachers = 300, kSubjects = 40;
constexpr int kDays = 5, kMor = 4, kAft = 4;

void generateSchool(Store& s)
{
    std::mt19937 rng(20240917);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* weekNames[] = {"", "星期一", "星期二", "星期三", "星期四", "星期五"};
    s.transaction([&] {
        for (int d = 1; d <= kDays; ++d)
            s.run("INSERT INTO daybd VALUES(?1, ?2)", d, weekNames[d]);
        s.run("INSERT INTO jieshu VALUES(?1, ?2, 0)", kMor, kAft);
        for (int j = 1; j <= kMor + kAft; ++j)
            s.run("INSERT INTO timebd VALUES(?1, ?2)", j, std::to_string(7 + j) + ":00");
        s.run("INSERT INTO publictimebd VALUES(2, '课间操')");
        s.run("INSERT INTO setting VALUES('学校名称', '基准中学')");
        for (int g = 1; g <= kGrades; ++g)
            s.run("INSERT INTO jibd VALUES(?1, ?2)", g, "年级" + std::to_string(g));
        int ban = 0;
        for (int g = 1; g <= kGrades; ++g)
            for (int c = 1; c <= kClassesPerGrade; ++c) {
                ++ban;
                s.run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", ban, "班" + std::to_string(ban), g);
                s.run("INSERT INTO gudinbd VALUES(?1, '班会', ?2, 8, ?3)", ban, pick(1, kDays), ban);
            }
        for (int k = 1; k <= kSubjects; ++k)
            s.run("INSERT INTO kemubd VALUES(?1, ?2, ?3, ?4, ?5)", k, "科目" + std::to_string(k), "科" + std::to_string(k),
                  k % 7 == 0 ? 3 : 0, k % 5 == 0 ? 1 : 0);
        for (int t = 1; t <= kTeachers; ++t)
            s.run("INSERT INTO teabd VALUES(?1, ?2, ?3, 0)", t, "教师" + std::to_string(t), "师" + std::to_string(t));

        // Each class takes 10 subjects, 3 or 4 periods each except the tenth with 1 or 2
        // (at most 38, within its 39 free slots);
        // each class and subject goes to one teacher, some in two rows that merge.
        int difid = 0;
        std::vector<int> subjects(kSubjects);
        for (int k = 0; k < kSubjects; ++k)
            subjects[k] = k + 1;
        for (int b = 1; b <= ban; ++b) {
            std::shuffle(subjects.begin(), subjects.end(), rng);
            for (int i = 0; i < 10; ++i) {
                int k = subjects[i], n = i < 9 ? pick(3, 4) : pick(1, 2), t = pick(1, kTeachers);
                s.run("INSERT INTO kemujieshu VALUES(?1, ?2, ?3)", k, b, n);
                if (n > 1 && pick(0, 4) == 0) {
                    s.run("INSERT INTO renkebd VALUES(?1, ?2, ?3, ?4, 1, 0)", difid++, t, b, k);
                    s.run("INSERT INTO renkebd VALUES(?1, ?2, ?3, ?4, ?5, 0)", difid++, t, b, k, n - 1);
                } else {
                    s.run("INSERT INTO renkebd VALUES(?1, ?2, ?3, ?4, ?5, 0)", difid++, t, b, k, n);
                }
                for (int m = pick(0, 2); m > 0; --m)
                    s.run("INSERT INTO teshuke VALUES(?1, ?2, ?3, ?4, ?5)", k, b, pick(1, kDays), pick(1, 8), pick(1, 3));
            }
        }
        for (int t = 1; t <= kTeachers; ++t)
            for (int m = pick(0, 4); m > 0; --m)
                s.run("INSERT INTO teshutea VALUES(?1, ?2, ?3, ?4)", t, pick(1, kDays), pick(1, 8), pick(1, 3));

        for (int opt = 1; opt <= 20; ++opt) {
            s.run("INSERT INTO PaiOptJie VALUES(?1, ?2, ?3, ?4, ?5, NULL)", opt, pick(1, 8), -pick(1, 3),
                  opt % 2 ? std::optional<int>() : std::optional<int>(pick(1, ban)), pick(1, kSubjects));
            s.run("INSERT INTO PaiOptDay VALUES(?1, ?2, ?3, NULL, NULL, ?4)", opt, pick(1, kDays), -pick(1, 6),
                  pick(1, kTeachers));
        }
        for (int w = 1; w <= 10; ++w) {
            s.run("INSERT INTO teaman VALUES(?1, ?2)", w, 2 * w - 1);
            s.run("INSERT INTO teawife VALUES(?1, ?2)", w, 2 * w);
        }
    });
}

double peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

class LoadFixture {
public:
    LoadFixture()
    {
        std::random_device rd;  // only names the folder; the school itself is seeded
        dir_ = fs::temp_directory_path() / ("tavrin_bench_load_" + std::to_string(rd()));
        fs::create_directories(dir_);
        store_ = std::make_unique<Store>(dir_ / "db.dat", Store::Mode::CreateIfMissing);
        tavrin::store::createSchema(*store_);
        generateSchool(*store_);
    }
    ~LoadFixture()
    {
        store_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    Store& store() { return *store_; }

private:
    fs::path dir_;
    std::unique_ptr<Store> store_;
};

void BM_LoadSchool(benchmark::State& state)
{
    LoadFixture f;
    const double before = peakRssMb();
    int renke = 0, skipped = 0;
    for (auto _ : state) {
        tavrin::model::School school;
        tavrin::model::actLoadTeaData(f.store(), school);
        tavrin::model::LoadMyPaiOpt(f.store(), school);
        renke = school.RenKeNum;
        skipped = static_cast<int>(school.skipped.size());
        benchmark::DoNotOptimize(school);
    }
    state.counters["assignments"] = renke;
    state.counters["skipped_rows"] = skipped;
    state.counters["peak_rss_MB"] = peakRssMb();
    state.counters["rss_before_MB"] = before;
}
BENCHMARK(BM_LoadSchool)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
