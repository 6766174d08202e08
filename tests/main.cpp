#include <QApplication>
#include <gtest/gtest.h>
#include <vector>

// The suites build real windows; without a display they use Qt's offscreen platform.
int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char platformFlag[] = "-platform";
    char offscreen[] = "offscreen";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        args.insert(args.begin() + 1, { platformFlag, offscreen });
    }
    int qtArgc = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(qtArgc, args.data());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
