// Loading pages as the user sees it: the status texts as painted, the busy cursor, pictures kept
// between steps, and the rows around the page decoded while idle.

#include "browser/frmBmpGet.h"
#include "browser/paging.h"
#include "picture_files.h"
#include "platform/pools.h"
#include "system.h"
#include "windows_fixture.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMutex>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <thread>

using namespace tl;
using namespace tl::test;

namespace {

// The status bar's text each time it is painted, and whether the busy cursor showed then.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(const StatusBar& bar)
        : label_(bar.widget()->findChild<QLabel*>())
    {
        label_->installEventFilter(this);
    }
    QStringList texts;
    QList<bool> busy;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            texts << label_->text();
            const QCursor* cursor = QGuiApplication::overrideCursor();
            busy << (cursor && cursor->shape() == Qt::WaitCursor);
        }
        return false;
    }

private:
    QLabel* label_;
};

// Every decode of a cell picture, by file name; prefetches apart from decodes for a page.
struct Decodes {
    QMutex mutex;
    QStringList forPage;
    QStringList prefetched;
    // Runs before a prefetch decodes; a test may hold it there.
    std::function<void(const QString& name, const std::atomic<bool>* cancelled)> beforePrefetch;

    CellReader reader()
    {
        return [this](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
            const QString name = QFileInfo(path).completeBaseName();
            // Prefetches are the decodes that run at low priority.
            const bool prefetch = QThread::currentThread()->priority() == QThread::LowestPriority;
            if (prefetch && beforePrefetch)
                beforePrefetch(name, cancelled);
            {
                QMutexLocker lock(&mutex);
                (prefetch ? prefetched : forPage) << name;
            }
            return readCellPicture(path, cellSize, cancelled);
        };
    }
    // Sorted: the decodes of a page run on several threads at once.
    QStringList takePage() { return take(forPage); }
    QStringList takePrefetched() { return take(prefetched); }
    qsizetype prefetchCount()
    {
        QMutexLocker lock(&mutex);
        return prefetched.size();
    }

private:
    QStringList take(QStringList& names)
    {
        QMutexLocker lock(&mutex);
        QStringList taken = std::exchange(names, {});
        taken.sort();
        return taken;
    }
};

// Writes the file again with other pixels of the same size and puts both its times back to the
// nanosecond, as copying another photo over it with `cp -p` leaves it: only the inode or the status
// change time tells the two versions apart.
void replaceKeepingTimes(const QString& path)
{
    FileTimes before;
    ASSERT_TRUE(readTimes(path, before));
    const QImage picture(path);
    writePicture(QFileInfo(path).dir(), QFileInfo(path).fileName(), picture.width(), picture.height(), Qt::green);
    ASSERT_TRUE(putTimesBack(path, before));
}

class PageLoading : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        form->thumbnails.read = decodes.reader();
    }
    void TearDown() override
    {
        if (Window<frmBmpGet>().Loaded())
            form->thumbnails.waitForPrefetch();
        WindowsTest::TearDown();
        // The reader records into this fixture: a job still running once the main window is gone (a
        // test that ends it, a page given up) must not write into a fixture destroyed under it.
        for (QThreadPool* pool : { &ioPool(), &cpuPool(), &prefetchPool() })
            pool->waitForDone();
    }
    // Pictures p000.bmp ..; picture i is i + 1 pixels wide, so that a cell tells which entry it shows.
    static void writePictures(const QString& folder, int count)
    {
        for (int i = 0; i < count; ++i)
            writePicture(QDir(folder), name(i) + ".bmp", i + 1, 2);
    }
    // The folder with its pictures, opened and loaded.
    void loadFolderOf(int count, const QString& folder)
    {
        writePictures(folder, count);
        ASSERT_TRUE(form->Dir1.openFolder(folder));
        form->mnuCget->trigger();
    }
    static QString name(int entry) { return QStringLiteral("p%1").arg(entry, 3, 10, QLatin1Char('0')); }
    static QStringList names(int first, int last)
    {
        QStringList result;
        for (int e = first; e <= last; ++e)
            result << name(e);
        return result;
    }
    int shownEntry(int cell) const
    {
        const StdPicture& picture = form->Image2[cell].Picture();
        return picture.isEmpty() ? -1 : picture.pixelWidth() - 1;
    }
    // Lets the program go idle until the prefetch it starts then is done.
    void idleUntilPrefetched(int expectedDecodes)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return decodes.prefetchCount() == expectedDecodes; }, 10000))
            << decodes.prefetchCount() << " decodes";
        form->thumbnails.waitForPrefetch();
    }

    Decodes decodes;
};

TEST_F(PageLoading, StatusTextsArePaintedInOrderUnderTheBusyCursor)
{
    struct Row {
        const char* what;
        int pictures;
        std::function<void(frmBmpGet&)> before;
        std::function<void(frmBmpGet&)> action;
        QStringList painted;
    };
    auto load = [](frmBmpGet& f) { f.mnuCget->trigger(); };
    auto none = [](frmBmpGet&) {};
    const Row rows[] = {
        { "a load with more than a page", 30, none, load, { Loading, Loading, MoreToScroll } },
        { "a load of one page", 3, none, load, { Loading, Loading, AllShown } },
        { "a load of a folder without pictures", 0, none, load, { Loading, NoPictures } },
        { "a row step", 30, load, [](frmBmpGet& f) { f.VScroll1.setValue(1200); }, { Reloading, MoreToScroll } },
        { "a load while scrolled down", 30, [](frmBmpGet& f) { f.mnuCget->trigger(), f.VScroll1.setValue(1200); }, load,
            { Reloading, MoreToScroll, Loading, Loading, MoreToScroll } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir folder;
        writePictures(folder.path(), row.pictures);
        ASSERT_TRUE(form->Dir1.openFolder(folder.path()));
        row.before(*form);
        QCoreApplication::processEvents(); // paints left over from before are not counted

        PaintedTexts painted(form->SB);
        row.action(*form);
        EXPECT_EQ(painted.texts, row.painted);
        EXPECT_EQ(painted.busy, QList<bool>(row.painted.size(), true));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the cursor is back once the load ends";
        form->thumbnails.waitForPrefetch();
    }
}

// Each cell is painted as soon as its picture is there, in cell order, before the handler ends.
TEST_F(PageLoading, CellsArePaintedOneByOneAsTheyAreFilled)
{
    // The cells first painted with one of the pictures loaded while the next cell was still blank.
    struct PaintedCells : QObject {
        QList<int> order;
        const frmBmpGet* form = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            const auto& cells = form->Image2;
            for (int k = 0; k < int(cells.size()) && event->type() == QEvent::Paint; ++k)
                if (cells[k].widget() == watched && cells[k].Picture().fileName().startsWith('p') && !order.contains(k)
                    && (k + 1 == int(cells.size()) || cells[k + 1].Picture().isEmpty()))
                    order << k;
            return false;
        }
    } painted;
    painted.form = form;
    for (const ImageControl& cell : form->Image2)
        cell.widget()->installEventFilter(&painted);
    writePictures(dir.path(), 30);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    QCoreApplication::processEvents(); // the window is shown first
    QList<int> cells(24);
    std::iota(cells.begin(), cells.end(), 0);
    form->mnuCget->trigger();
    EXPECT_EQ(painted.order, cells) << "painted by the load itself";
    painted.order.clear();
    form->VScroll1.setValue(1200);
    EXPECT_EQ(painted.order, cells) << "painted by the step itself";
}

TEST_F(PageLoading, StepsDecodeOnlyEntriesNotShownBefore)
{
    struct Row {
        int position;
        QStringList decoded;
        int firstShown;
    };
    const Row rows[] = {
        { 1200, names(24, 29), 6 }, // one row down: only the new row
        { 0, {}, 0 }, // back up: nothing
        { 2400, names(30, 35), 12 }, // two rows down from the top: what was never shown
        { 1200, {}, 6 },
    };
    loadFolderOf(40, dir.path());
    EXPECT_EQ(decodes.takePage(), names(0, 23));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        form->VScroll1.setValue(static_cast<Int16>(row.position));
        EXPECT_EQ(decodes.takePage(), row.decoded);
        for (int k = 0; k < 24; ++k)
            EXPECT_EQ(shownEntry(k), row.firstShown + k) << "cell " << k;
        EXPECT_EQ(form->PicturePath, form->List1.List(row.firstShown + 23));
    }
}

TEST_F(PageLoading, AFileChangedOrGoneBetweenStepsIsNotShownAsItWas)
{
    struct Row {
        const char* what;
        std::function<void(const QString& path)> change;
        int shownWidth; // of entry 10 after the step, 0 for a blank cell
        QStringList decoded;
    };
    const Row rows[] = {
        { "overwritten by a wider picture",
            [](const QString& path) { writePicture(QFileInfo(path).dir(), QFileInfo(path).fileName(), 50, 2); }, 50,
            names(10, 10) + names(24, 29) },
        { "rewritten with the same size, later",
            [](const QString& path) {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                ASSERT_TRUE(
                    file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
            },
            11, names(10, 10) + names(24, 29) },
        { "replaced by another of the same size, its times kept", replaceKeepingTimes, 11,
            names(10, 10) + names(24, 29) },
        { "removed", [](const QString& path) { QFile::remove(path); }, 0, names(24, 29) },
        { "replaced by a folder", [](const QString& path) { QFile::remove(path), QDir().mkdir(path); }, 0,
            names(24, 29) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir folder;
        loadFolderOf(30, folder.path());
        decodes.takePage();

        row.change(QDir(folder.path()).filePath(name(10) + ".bmp"));
        form->VScroll1.setValue(1200);
        EXPECT_EQ(decodes.takePage(), row.decoded);
        EXPECT_EQ(form->Image2[4].Picture().pixelWidth(), row.shownWidth);
        EXPECT_EQ(shownEntry(5), 11);
    }
}

TEST_F(PageLoading, IdleTimeDecodesTheRowsAroundThePageSoThatTheNextStepDecodesNothing)
{
    loadFolderOf(48, dir.path());
    form->VScroll1.setValue(2400); // entries 12 .. 35 on screen, 36 .. 41 below, 6 .. 11 above
    decodes.takePage();
    EXPECT_TRUE(decodes.takePrefetched().isEmpty()) << "nothing is prefetched inside a handler";

    idleUntilPrefetched(6);
    EXPECT_EQ(decodes.takePrefetched(), names(36, 41)) << "the row above was kept from the first page";
    form->VScroll1.setValue(3600);
    EXPECT_TRUE(decodes.takePage().isEmpty());
    EXPECT_EQ(shownEntry(23), 41);

    idleUntilPrefetched(6);
    EXPECT_EQ(decodes.takePrefetched(), names(42, 47));
}

TEST_F(PageLoading, APrefetchNeverShowsAnOlderVersionOfAFile)
{
    struct Row {
        const char* what;
        bool whilePrefetching; // else after the prefetch has finished
    };
    for (const Row& row : { Row { "changed after its prefetch", false }, Row { "changed while prefetched", true } }) {
        SCOPED_TRACE(row.what);
        QTemporaryDir folder;
        writePictures(folder.path(), 30);
        const QString changed = QDir(folder.path()).filePath(name(24) + ".bmp");
        ASSERT_TRUE(form->Dir1.openFolder(folder.path()));
        QSemaphore entered, proceed;
        decodes.beforePrefetch = [&](const QString& file, const std::atomic<bool>*) {
            if (row.whilePrefetching && file == name(24)) {
                entered.release();
                proceed.tryAcquire(1, 10000);
            }
        };
        form->mnuCget->trigger();
        decodes.takePage();
        if (row.whilePrefetching) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return entered.tryAcquire(); }, 10000));
            writePicture(QFileInfo(changed).dir(), QFileInfo(changed).fileName(), 77, 2);
            proceed.release();
        }
        idleUntilPrefetched(6);
        decodes.takePrefetched();
        if (!row.whilePrefetching)
            writePicture(QFileInfo(changed).dir(), QFileInfo(changed).fileName(), 77, 2);

        form->VScroll1.setValue(1200);
        EXPECT_EQ(form->Image2[18].Picture().pixelWidth(), 77);
        EXPECT_EQ(decodes.takePage(), names(24, 24));
        decodes.beforePrefetch = {};
    }
}

TEST_F(PageLoading, ALoadAStepOrTheEndOfTheWindowCancelsThePrefetch)
{
    QTemporaryDir empty;
    struct Row {
        const char* what;
        int position; // the page whose prefetch is under way
        int blocked; // the entry whose prefetch is held, which the action does not show
        std::function<void(frmBmpGet&)> action;
        bool endsTheWindow; // which waits for no prefetch either: a read may hang
    };
    const Row rows[] = {
        { "a load of a folder without pictures", 0, 24,
            [&](frmBmpGet& f) {
                ASSERT_TRUE(f.Dir1.openFolder(empty.path()));
                f.mnuCget->trigger();
            },
            false },
        { "a step back up", 1200, 30, [](frmBmpGet& f) { f.VScroll1.setValue(0); }, false },
        { "closing the window", 1200, 30, [](frmBmpGet&) { unload<frmBmpGet>(); }, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir folder;
        loadFolderOf(40, folder.path());
        form->VScroll1.setValue(static_cast<Int16>(row.position));

        // The prefetch of the held entry waits until it is cancelled and then until it is let go.
        std::atomic<bool> waiting = false, sawCancel = false;
        QSemaphore letGo, done;
        decodes.beforePrefetch = [&](const QString& file, const std::atomic<bool>* cancelled) {
            if (file != name(row.blocked))
                return;
            waiting = true;
            for (int i = 0; i < 1000 && !cancelled->load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            sawCancel = cancelled->load();
            letGo.tryAcquire(1, 10000);
            done.release();
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load(); }, 10000));
        row.action(*form);
        EXPECT_EQ(done.available(), 0) << "the action waited for the prefetch";
        letGo.release();
        EXPECT_TRUE(done.tryAcquire(1, 20000));
        EXPECT_TRUE(sawCancel.load());
        if (row.endsTheWindow)
            break;
        form->thumbnails.waitForPrefetch();
        decodes.beforePrefetch = {};
        decodes.takePrefetched();
        if (form->List1.ListCount() > 0) {
            decodes.takePage();
            form->VScroll1.setValue(2400);
            EXPECT_TRUE(decodes.takePage().contains(name(row.blocked))) << "a cancelled decode is not kept";
        }
    }
}

TEST_F(PageLoading, AStepTakesOverThePrefetchOfAFileItShows)
{
    loadFolderOf(30, dir.path());
    std::atomic<bool> entered = false;
    QSemaphore proceed;
    decodes.beforePrefetch = [&](const QString& file, const std::atomic<bool>*) {
        if (file == name(24)) {
            entered = true;
            proceed.tryAcquire(1, 10000);
        }
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return entered.load(); }, 10000));
    // Let the prefetch go on only once the step has had time to wait for it.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        proceed.release();
    });
    decodes.takePage();
    form->VScroll1.setValue(1200);
    later.join();
    EXPECT_FALSE(decodes.takePage().contains(name(24))) << "decoded once, by the prefetch";
    EXPECT_EQ(shownEntry(18), 24);
}

TEST_F(PageLoading, AFileRewrittenDuringItsDecodeNeverEntersTheCache)
{
    writePictures(dir.path(), 1);
    form->thumbnails.read = [](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
        StdPicture picture = loadCellPicture(path, cellSize, cancelled);
        replaceKeepingTimes(path);
        return picture;
    };
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->mnuCget->trigger();
    EXPECT_FALSE(form->Image2[0].Picture().isEmpty());
    EXPECT_EQ(form->thumbnails.cache().count(), 0);
}

// A decode that outlasts the page's wait leaves its cell blank while the load ends as usual; the
// cell is filled when the decode ends if the grid still shows that page. A decode that throws
// leaves its cell blank.
TEST_F(PageLoading, ACellNotMadeWithinTheWaitIsFilledLaterIfStillShown)
{
    struct Row {
        const char* what;
        bool stepBeforeItEnds;
        int shownInCell3; // the entry
    };
    for (const Row& row : { Row { "still shown", false, 3 }, Row { "scrolled away meanwhile", true, 9 } }) {
        SCOPED_TRACE(row.what);
        QSemaphore held;
        std::atomic<bool> heldOnce = false; // a step gives up the page's read, and the prefetch reads it again
        form->thumbnails.read = [&](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
            const QString entry = QFileInfo(path).completeBaseName();
            if (entry == name(3) && !heldOnce.exchange(true))
                held.acquire();
            if (entry == name(4))
                throw std::bad_alloc();
            return loadCellPicture(path, cellSize, cancelled);
        };
        QTemporaryDir folder;
        loadFolderOf(30, folder.path());
        EXPECT_EQ(form->SB.SimpleText(), MoreToScroll);
        EXPECT_EQ(shownEntry(3), -1) << "late";
        EXPECT_EQ(shownEntry(4), -1) << "failed";
        EXPECT_EQ(shownEntry(5), 5);
        if (row.stepBeforeItEnds)
            form->VScroll1.setValue(1200);
        held.release();
        QTest::qWait(300);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shownEntry(3) == row.shownInCell3; }, 10000)) << shownEntry(3);
        EXPECT_EQ(shownEntry(4), row.stepBeforeItEnds ? 10 : -1);
    }
}

// A page waits for its cells, but not for a key held down: the keyboard repeats it before a page of
// new cells is made. Nor does a page asked for while the one before still decodes (a wheel spun, keys
// pressed fast). Their cells come in as they are made.
TEST_F(PageLoading, APageWaitsForItsCellsUnlessAnotherOvertakesIt)
{
    struct Row {
        const char* what;
        std::vector<bool> repeated; // Page Down, pressed or repeated
        bool waited;
    };
    const Row rows[] = {
        { "pressed", { false }, true },
        { "repeated", { true }, false },
        { "pressed while the page before decodes", { true, false }, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form->thumbnails.read = [](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return readCellPicture(path, cellSize, cancelled);
        };
        QTemporaryDir folder;
        loadFolderOf(100, folder.path());
        form->activateWindow();
        form->Picture1.widget()->setFocus();
        for (const bool repeated : row.repeated)
            QTest::simulateEvent(form->Picture1.widget(), true, Qt::Key_PageDown, {}, {}, repeated);
        const int last = 23 + 24 * int(row.repeated.size());
        EXPECT_EQ(shownEntry(23), row.waited ? last : -1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shownEntry(23) == last; }, 10000));
    }
}

// Pages scrolled past on a slow disk give up what they still read, so that the page on screen never
// queues behind them.
TEST_F(PageLoading, PagesScrolledPastGiveUpTheirReads)
{
    std::atomic<bool> letGo = false;
    std::atomic<int> slowReads = 0; // under way
    std::atomic<int> startedGivenUp = 0;
    form->thumbnails.read = [&](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
        startedGivenUp += cancelled->load();
        // The first two pages read slowly; the prefetch does not.
        const bool prefetch = QThread::currentThread()->priority() == QThread::LowestPriority;
        if (!prefetch && QFileInfo(path).completeBaseName() < name(48)) {
            ++slowReads;
            for (int i = 0; i < 1000 && !cancelled->load() && !letGo; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            --slowReads;
        }
        return readCellPicture(path, cellSize, cancelled);
    };
    loadFolderOf(72, dir.path());
    const int page = 4 * paging::rowUnit(72);
    form->VScroll1.setValue(static_cast<Int16>(page));
    form->VScroll1.setValue(static_cast<Int16>(2 * page));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownEntry(0) == 48 && shownEntry(23) == 71; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return slowReads == 0; }, 2000)) << slowReads << " reads still under way";
    letGo = true;
    form->thumbnails.waitForAll();
    EXPECT_EQ(startedGivenUp, 0) << "reads given up while queued still ran";
}

// Loading throws PictureError or runs out of memory. Anything else a job throws is a bug: the program
// ends and says what was thrown, rather than leave a blank cell.
TEST(PictureJobs, AnythingButALoadingFailureEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QThreadPool pool;
    const auto bug = [](const std::atomic<bool>*) -> StdPicture { throw std::logic_error("a bug in the job"); };
    EXPECT_DEATH(PictureJob::start(pool, bug)->waitUntil(PictureJob::Clock::now() + std::chrono::minutes(1)),
        "a bug in the job");
}

// Qt's smooth scaling hands its strips to Qt's global pool when the picture it scales has more than
// two strips of 65536 pixels, unless it runs on that pool already. With that pool taken up, a page
// whose decodes need it ends within its wait, and fills its cells once the pool is free again.
TEST_F(PageLoading, APageNeverWaitsForQtsOwnPool)
{
    QThreadPool& global = *QThreadPool::globalInstance();
    const int threads = global.maxThreadCount();
    global.setMaxThreadCount(2);
    QSemaphore taken, free;
    for (int t = 0; t < 2; ++t)
        global.start([&] {
            taken.release();
            free.acquire();
        });
    taken.acquire(2);
    std::atomic<bool> strayThread = false;
    const auto lookAtThread = [&] {
        QThread* thread = QThread::currentThread();
        if (global.contains(thread) || thread == qApp->thread())
            strayThread = true;
    };
    form->thumbnails.read = [&](const QString& path, QSize cellSize, const std::atomic<bool>* cancelled) {
        lookAtThread();
        PictureRead stage = readCellPicture(path, cellSize, cancelled);
        if (!stage.decode)
            return stage;
        return PictureRead([&, decode = stage.decode](const std::atomic<bool>* cancelled) {
            lookAtThread();
            return decode(cancelled);
        });
    };
    for (const char* name : { "text-named.jpg", "empty.jpg", "random.jpg" })
        writeBytes(dir, name, QByteArray(name).repeated(100));
    // Four times the cell each way is smoothed down as it is, without thinning first.
    const QSize cell = form->Image2[0].devicePixels();
    ASSERT_GE(16 * cell.width() * cell.height(), 2 * 65536) << "too small a picture for Qt to share out";
    writePicture(dir, "photo.bmp", 4 * cell.width(), 4 * cell.height(), Qt::darkCyan);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    // Qt's pool is freed four page waits later at most, or as soon as the load has ended.
    QSemaphore loaded;
    std::atomic<bool> freedFirst = false;
    std::thread freeing([&] {
        freedFirst = !loaded.tryAcquire(1, 4 * int(PictureWait.count()));
        free.release(2);
    });
    form->mnuCget->trigger();
    loaded.release();
    freeing.join();
    EXPECT_FALSE(freedFirst.load()) << "the load waited for Qt's pool";
    EXPECT_EQ(form->SB.SimpleText(), AllShown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Image2[1].Picture().isEmpty(); }, 10000));
    EXPECT_FALSE(strayThread) << "a decode ran on Qt's pool or the window's thread";
    global.waitForDone();
    global.setMaxThreadCount(threads);
}

TEST(ThumbnailCache, KeepsTheMostRecentlyUsedWithinItsLimits)
{
    const StdPicture picture(QImage(100, 100, QImage::Format_RGB32)); // 40000 bytes
    auto key = [](const QString& path) { return ThumbnailKey { path, FileVersion { 1, 1 }, QSize(10, 10) }; };
    struct Row {
        const char* what;
        int maxEntries;
        qsizetype maxBytes;
        QStringList kept;
    };
    const Row rows[] = {
        { "by count", 3, 1 << 30, { "a", "c", "d" } },
        { "by bytes", 100, 3 * 40000, { "a", "c", "d" } },
        { "one entry over the budget", 100, 30000, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ThumbnailCache cache(row.maxEntries, row.maxBytes);
        for (const char* path : { "a", "b", "c" })
            cache.insert(key(path), picture);
        cache.find(key("a")); // a is used again, so b is the oldest
        cache.insert(key("d"), picture);
        QStringList kept;
        for (const char* path : { "a", "b", "c", "d" })
            if (cache.find(key(path)))
                kept << path;
        EXPECT_EQ(kept, row.kept);
        EXPECT_EQ(cache.bytes(), row.kept.size() * 40000);
    }

    ThumbnailCache cache(10, 1 << 30);
    cache.insert(key("a"), picture);
    ThumbnailKey newer = key("a");
    newer.version.modified = 2;
    EXPECT_FALSE(cache.find(newer)) << "another version of the file";
    EXPECT_EQ(cache.count(), 0) << "the older version is dropped";
}

// On Windows a file replaced by another of the same size, its write time copied over, keeps its
// creation time: its change time or its ID (on ReFS in the upper half too) tells it apart.
TEST(FileVersions, WindowsTellsAReplacementByItsChangeTimeAndID)
{
    constexpr qint64 In1970 = 116444736000000000; // 100 ns steps since 1601
    const FileVersion version = windowsFileVersion(10, In1970 + 1, In1970 + 2, 7, { 1 });
    EXPECT_EQ(version, (FileVersion { 10, 100, 200, 7, 1, 0 }));
    std::array<unsigned char, 16> upper { 1 };
    upper[8] = 1;
    for (const FileVersion& other : { windowsFileVersion(10, In1970 + 1, In1970 + 3, 7, { 1 }),
             windowsFileVersion(10, In1970 + 1, In1970 + 2, 8, { 1 }),
             windowsFileVersion(10, In1970 + 1, In1970 + 2, 7, { 2 }),
             windowsFileVersion(10, In1970 + 1, In1970 + 2, 7, upper) })
        EXPECT_NE(other, version);
}

} // namespace
