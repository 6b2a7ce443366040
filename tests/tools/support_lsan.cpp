// The offscreen platform plugin that the widget tests run on never frees its
// screen and cursor. Those blocks belong to the toolkit, not to this code;
// name them so the sanitizer build reports only leaks of our own making.
// Only the dependent blocks are named: a leaked object of ours is still
// reported through its own allocation.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libqoffscreen\n"
           "leak:QScreen::QScreen\n"
           "leak:QPlatformScreen::QPlatformScreen\n"
           "leak:QWindowSystemInterface::handleScreenAdded\n"
           "leak:QPlatformCursor::QPlatformCursor\n"
           "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}
