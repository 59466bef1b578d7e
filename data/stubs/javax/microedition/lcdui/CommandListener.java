// Compile-time stand-in for the MIDP interface; never packed into a suite.
package javax.microedition.lcdui;

public interface CommandListener {
    void commandAction(Command command, Displayable displayable);
}
// SPDX-License-Identifier: MIT
