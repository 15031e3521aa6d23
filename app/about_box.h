#pragma once
// Shows a fresh About box modally and releases it when the modal loop returns.
void showAboutBox();
