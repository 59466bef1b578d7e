// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

public class Command {
    public static final int EXIT = 7;

    public Command(String label, int commandType, int priority) {
    }
}
// SPDX-License-Identifier: MIT
