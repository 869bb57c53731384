// The window arrives in its own change; this keeps the library non-empty until then.
namespace orvex::gui {
int guiLibraryAnchor = 0;
}
