// The screen benchmarks' common start: a demo school with its planted timetable written to a
// temporary file (removed again at the end), and the program's window over it, logged in as
// the default user and shown at a given size. The school is one of the demo sizes, or one the
// benchmark built itself (a demo school reshaped).
#pragma once

#include <QSize>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "demo/demo.h"
#include "main/form1.h"
#include "store/store.h"
#include "ui/widget_asker.h"
#include "users/users.h"

namespace tavrin::bench {

class DemoWindow {
public:
    // `name` names the temporary file. On failure the reason is printed and `ok()` is false.
    DemoWindow(const char* name, demo::DemoSize size, QSize at) : file_(fileNamed(name))
    {
        std::string error;
        if (!demo::writeDemoSchool(file_, {size, 1, true, true}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return;
        }
        open(at);
    }
    DemoWindow(const char* name, const demo::DemoSchool& school, QSize at) : file_(fileNamed(name))
    {
        if (!users::initDatabase(file_)) {
            std::fprintf(stderr, "%s 已存在。\n", file_.string().c_str());
            return;
        }
        {
            store::Store st(file_);
            demo::fillDemoSchool(st, school, true);
        }
        open(at);
    }
    ~DemoWindow()
    {
        w_.reset();
        store_.reset();
        std::error_code ec;
        std::filesystem::remove(file_, ec);
    }
    bool ok() const { return w_ != nullptr; }
    mainwin::TForm1& operator*() const { return *w_; }
    mainwin::TForm1* operator->() const { return w_.get(); }

private:
    std::filesystem::path file_;
    std::unique_ptr<store::Store> store_;
    ui::QuietAsker quiet_;
    std::unique_ptr<mainwin::TForm1> w_;

    static std::filesystem::path fileNamed(const char* name)
    {
        auto f = std::filesystem::temp_directory_path() / (std::string("tavrin_bench_") + name + ".dat");
        std::filesystem::remove(f);
        return f;
    }
    void open(QSize at)
    {
        store_ = std::make_unique<store::Store>(file_);
        mainwin::TForm1::Options options;
        options.asker = &quiet_;
        w_ = std::make_unique<mainwin::TForm1>(*store_, options);
        users::autoLogin(users::loadUsers(*store_), w_->session());
        w_->resize(at);
        w_->show();
    }
};

}  // namespace tavrin::bench
