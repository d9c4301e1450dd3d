#pragma once

namespace kprt5 {

// Shows the About box (dialog 100) modally with no parent; returns when it has been closed.
void ShowAboutBox();

}  // namespace kprt5
