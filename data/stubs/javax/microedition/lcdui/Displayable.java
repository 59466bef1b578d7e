// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

public abstract class Displayable {
    Displayable() {
    }

    public void addCommand(Command command) {
    }

    public void setCommandListener(CommandListener listener) {
    }
}
// SPDX-License-Identifier: MIT
