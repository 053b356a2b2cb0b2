#pragma once

// Where the editor's undo history stands against the step the page shows. Depths are the number of
// undo steps the editor holds: what lies below the step's start belongs to earlier steps, and the
// depth just after the completing paste or cut tells whether that edit is in place.
class CStepHistory
{
public:
    enum class Change { None, Reopened, Redone };

    // A page is shown: earlier history is the previous steps' and is not undone from this page.
    void StartStep(int depth)
    {
        m_start = depth;
        m_doneAt = -1;
    }
    // The completing edit left the history at `depth`.
    void StepDone(int depth) { m_doneAt = depth; }

    // Undo stops at the step's start.
    bool CanUndo(int depth) const { return depth > m_start; }
    // After an undo: the step re-opens once its completing edit is gone.
    Change AfterUndo(int depth, bool done) const
    {
        return done && m_doneAt >= 0 && depth < m_doneAt ? Change::Reopened : Change::None;
    }
    // After a redo: the step is done again once its completing edit is back.
    Change AfterRedo(int depth, bool done) const
    {
        return !done && m_doneAt >= 0 && depth >= m_doneAt ? Change::Redone : Change::None;
    }

    int Start() const { return m_start; }
    int DoneAt() const { return m_doneAt; }

private:
    int m_start = 0;
    int m_doneAt = -1;
};
