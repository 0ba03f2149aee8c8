// Adds 1,000,000 points into a project over few and over many distinct codes, the way the
// point-file reader does (find the group by code, else make it), and prints the times.
#include "model/NCADProject.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

double run(int points, int codes) {
    std::vector<std::string> names;
    for (int c = 0; c < codes; ++c)
        names.push_back("CODE" + std::to_string(c));
    const auto t0 = std::chrono::steady_clock::now();
    {
        TNCADProject project;
        for (int i = 0; i < points; ++i) {
            const std::string& code = names[static_cast<size_t>(i % codes)];
            auto point = std::make_unique<TPoint3D>(i * 0.5, i * 0.25, 1.0, "P");
            int index = -1;
            TNCADItem* item = project.FindItemByCode(code, index);
            if (index == -1) {
                auto group = std::make_unique<TNCADItem>();
                group->SetCode(code);
                group->AddPoint(std::move(point));
                project.AddItem(std::move(group));
            } else {
                item->AddPoint(std::move(point));
                project.SetItem(index, item);
            }
        }
        if (project.TotalPointCount() != points)
            std::fprintf(stderr, "lost points\n");
    }
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

} // namespace

int main() {
    const int points = 1'000'000;
    for (int codes : {10, 10'000}) {
        double best = 1e30;
        for (int rep = 0; rep < 3; ++rep)
            best = std::min(best, run(points, codes));
        std::printf("add %d points over %5d codes: %8.1f ms (best of 3, incl. freeing)\n", points,
                    codes, best);
    }
    return 0;
}
